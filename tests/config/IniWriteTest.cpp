// Writing the settings file: one value changes, every other byte stays;
// a write that cannot be made leaves the old file as it was.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <array>
#include <functional>

#include "config/ConfigFile.h"
#include "tests/config/TempDir.h"

namespace tq {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

struct WriteCase {
  const char* what;
  const char* before;  // nullptr: no file yet
  const char* section;
  const char* key;
  const char* value;
  const char* after;
};

TEST(IniWrite, ChangesOneValueAndKeepsEverythingElse) {
  const WriteCase cases[] = {
      {"creates the file", nullptr, "INFORMATION", "INI_VER", "V1.3",
       "[INFORMATION]\nINI_VER=V1.3\n"},
      {"replaces in place, keeping comments, blanks, spelling and spacing",
       "; bench 3 settings\n\n[Information]\n  iic_speed = 300\n# measured 2019\nPATH=/home/\n",
       "INFORMATION", "IIC_SPEED", "150",
       "; bench 3 settings\n\n[Information]\n  iic_speed = 150\n# measured 2019\nPATH=/home/\n"},
      {"new key goes at the end of its section, before its blank lines",
       "[A]\nX=1\n; note\n\n\n[B]\nY=2\n", "A", "Z", "3", "[A]\nX=1\n; note\nZ=3\n\n\n[B]\nY=2\n"},
      {"new key in the last section", "[A]\nX=1\n", "a", "Y", "2", "[A]\nX=1\nY=2\n"},
      {"a header without keys receives the key", "[A]\n\n[B]\nK=1\n", "A", "X", "1",
       "[A]\nX=1\n\n[B]\nK=1\n"},
      {"new section at the end, after a blank line", "[A]\nX=1\n", "B", "Y", "2",
       "[A]\nX=1\n\n[B]\nY=2\n"},
      {"no second blank line before a new section", "[A]\nX=1\n\n", "B", "Y", "2",
       "[A]\nX=1\n\n[B]\nY=2\n"},
      {"a last line without line end gets one", "[A]\nX=1", "A", "Y", "2", "[A]\nX=1\nY=2\n"},
      {"CR LF files stay CR LF", "[A]\r\nX=1\r\n", "A", "Y", "2", "[A]\r\nX=1\r\nY=2\r\n"},
      {"CR LF file, new section", "[A]\r\nX=1\r\n", "B", "Y", "2",
       "[A]\r\nX=1\r\n\r\n[B]\r\nY=2\r\n"},
      {"mixed line ends are each kept", "[A]\r\nX=1\nW=0\r\n", "A", "X", "5",
       "[A]\r\nX=5\nW=0\r\n"},
      {"the first of repeated keys and sections is the one changed",
       "[A]\nK=1\n[B]\nK=2\n[A]\nK=3\n", "A", "K", "9", "[A]\nK=9\n[B]\nK=2\n[A]\nK=3\n"},
      {"unknown content is kept", "stray text\n[A]\nnot a key\n\x01\xff=bytes\n", "A", "K", "v",
       "stray text\n[A]\nnot a key\n\x01\xff=bytes\nK=v\n"},
      {"keys before any section belong to none", "K=1\n", "A", "K", "2", "K=1\n\n[A]\nK=2\n"},
      {"an empty value", "[A]\nK=old\n", "A", "K", "", "[A]\nK=\n"},
  };
  for (const WriteCase& c : cases) {
    TempDir dir;
    ConfigFile config(dir.path());
    if (c.before) WriteBytes(config.Path(), c.before);
    config.WriteString(c.section, c.key, c.value);
    EXPECT_EQ(ReadBytes(config.Path()), c.after) << c.what;
    EXPECT_EQ(config.ReadString(c.section, c.key, "def"), c.value) << c.what;
    EXPECT_EQ(dir.Entries(), std::set<std::string>{"tarnquil.ini"}) << c.what;
  }
}

TEST(IniWrite, IntegersAreWrittenInDecimal) {
  TempDir dir;
  ConfigFile config(dir.path());
  WriteBytes(config.Path(), "[S]\nID=0x3B5C\n");
  config.WriteInteger("S", "ID", 15196);
  config.WriteInteger("S", "NEG", -5);
  EXPECT_EQ(ReadBytes(config.Path()), "[S]\nID=15196\nNEG=-5\n");
}

// Several writes in a row build the layout a first start leaves behind.
TEST(IniWrite, SuccessiveWritesKeepSectionsApart) {
  TempDir dir;
  ConfigFile config(dir.path());
  config.WriteString("A", "K", "1");
  config.WriteString("B", "K", "2");
  config.WriteString("A", "L", "3");
  EXPECT_EQ(ReadBytes(config.Path()), "[A]\nK=1\nL=3\n\n[B]\nK=2\n");
}

// A line break in a value (a folder name may hold one) would end the line
// early and could plant keys or sections of its own. Such a write is refused
// like any other write that cannot be made.
TEST(IniWrite, RefusesWhatCannotBeStoredOnOneLine) {
  const std::array<const char*, 3> refused[] = {
      {"INFORMATION", "PATH", "/tmp/x\n[MCU01]\nID=1"},
      {"INFORMATION", "PATH", "/tmp/x\r"},
      {"INFORMATION", "A=B", "1"},
      {"INFORMATION", "", "1"},
      {"INFORMATION", " PATH", "1"},
      {"INFORMATION", ";PATH", "1"},
      {"INFORMATION", "[PATH]", "1"},
      {"INFO]", "PATH", "1"},
      {"", "PATH", "1"},
      {"INFO\nX", "PATH", "1"},
  };
  for (const auto& [section, key, value] : refused) {
    TempDir dir;
    ConfigFile config(dir.path());
    const std::string before = "[INFORMATION]\nPATH=/home/\n";
    WriteBytes(config.Path(), before);
    try {
      config.WriteString(section, key, value);
      ADD_FAILURE() << "no error for [" << section << "] " << key << "=" << value;
    } catch (const ConfigWriteError& e) {
      EXPECT_EQ(std::string(e.what()), "Unable to write to " + config.Path());
    }
    EXPECT_EQ(ReadBytes(config.Path()), before);
    EXPECT_EQ(dir.Entries(), std::set<std::string>{"tarnquil.ini"});
  }
}

TEST(IniWrite, SeveralValuesAreWrittenAllOrNone) {
  TempDir dir;
  ConfigFile config(dir.path());
  WriteBytes(config.Path(), "[A]\nK=1\n");
  EXPECT_THROW(config.WriteValues({{"A", "K", "2"}, {"B", "L", "bad\nvalue"}}), ConfigWriteError);
  EXPECT_EQ(ReadBytes(config.Path()), "[A]\nK=1\n");
  config.WriteValues({{"A", "K", "2"}, {"B", "L", "3"}, {"A", "M", "4"}, {"A", "K", "5"}});
  EXPECT_EQ(ReadBytes(config.Path()), "[A]\nK=5\nM=4\n\n[B]\nL=3\n");
}

TEST(IniWrite, KeepsPermissionBitsAndNewFilesFollowTheUmask) {
  TempDir dir;
  ConfigFile config(dir.path());
  const mode_t oldMask = ::umask(022);
  config.WriteString("S", "K", "1");
  ::umask(oldMask);
  struct stat st {};
  ASSERT_EQ(::stat(config.Path().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0644u);

  ASSERT_EQ(::chmod(config.Path().c_str(), 0640), 0);
  config.WriteString("S", "K", "2");
  ASSERT_EQ(::stat(config.Path().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST(IniWrite, ASymbolicLinkStaysALink) {
  TempDir dir;
  std::filesystem::create_directory(dir.path() + "real");
  WriteBytes(dir.path() + "real/settings.ini", "[S]\nK=1\n");
  std::filesystem::create_symlink("real/settings.ini", dir.path() + "tarnquil.ini");
  ConfigFile config(dir.path());
  config.WriteString("S", "K", "2");
  EXPECT_TRUE(std::filesystem::is_symlink(config.Path()));
  EXPECT_EQ(ReadBytes(dir.path() + "real/settings.ini"), "[S]\nK=2\n");
}

// Each setup makes the write fail in a way that also holds for root, who
// passes every permission check.
struct FailureCase {
  const char* what;
  // Returns the directory handed to ConfigFile.
  std::function<std::string(const std::string& tmp)> setup;
};

class IniWriteFailure : public ::testing::Test {
 protected:
  void TearDown() override {
    if (limited_) {
      ::setrlimit(RLIMIT_FSIZE, &savedLimit_);
      ::signal(SIGXFSZ, savedHandler_);
    }
  }
  // The file size limit turns every write past `bytes` into EFBIG, which
  // looks to the writer just like a full disk.
  void LimitFileSize(rlim_t bytes) {
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &savedLimit_), 0);
    savedHandler_ = ::signal(SIGXFSZ, SIG_IGN);
    limited_ = true;
    struct rlimit small = savedLimit_;
    small.rlim_cur = bytes;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  }
  bool limited_ = false;
  struct rlimit savedLimit_ {};
  sighandler_t savedHandler_ = SIG_DFL;
};

TEST_F(IniWriteFailure, MessageNamesTheFileAndNothingChanges) {
  const FailureCase cases[] = {
      {"the directory is a regular file",
       [](const std::string& tmp) {
         WriteBytes(tmp + "plain", "not a directory");
         return tmp + "plain/";
       }},
      {"the directory was removed",
       [](const std::string& tmp) {
         std::filesystem::create_directory(tmp + "gone");
         std::filesystem::remove(tmp + "gone");
         return tmp + "gone/";
       }},
      {"a directory stands in the file's place",
       [](const std::string& tmp) {
         std::filesystem::create_directories(tmp + "cfg/tarnquil.ini/inside");
         return tmp + "cfg/";
       }},
      // What cannot be read must not be replaced by a file that holds only
      // the new key.
      {"something unreadable stands in the file's place",
       [](const std::string& tmp) {
         std::filesystem::create_directory(tmp + "fifo");
         EXPECT_EQ(::mkfifo((tmp + "fifo/tarnquil.ini").c_str(), 0644), 0);
         return tmp + "fifo/";
       }},
  };
  for (const FailureCase& c : cases) {
    TempDir tmp;
    ConfigFile config(c.setup(tmp.path()));
    const std::set<std::string> entriesBefore = tmp.Entries();
    try {
      config.WriteString("INFORMATION", "PATH", "/home/");
      ADD_FAILURE() << c.what << ": no error";
    } catch (const ConfigWriteError& e) {
      EXPECT_EQ(std::string(e.what()), "Unable to write to " + config.Path()) << c.what;
    }
    EXPECT_EQ(tmp.Entries(), entriesBefore) << c.what;
    std::error_code ec;
    const auto status = std::filesystem::symlink_status(config.Path(), ec);
    EXPECT_NE(status.type(), std::filesystem::file_type::regular) << c.what << ": replaced";
  }
}

TEST_F(IniWriteFailure, FullDiskKeepsTheOldFileAndLeavesNoTemporaryFile) {
  TempDir dir;
  ConfigFile config(dir.path());
  const std::string before = "; settings\n[INFORMATION]\nINI_VER=V1.3\nIIC_SPEED=300\n";
  WriteBytes(config.Path(), before);
  LimitFileSize(before.size() + 4);
  try {
    config.WriteString("INFORMATION", "COMPANY", "A company name longer than the room left");
    ADD_FAILURE() << "no error";
  } catch (const ConfigWriteError& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to write to " + dir.path() + "tarnquil.ini");
  }
  EXPECT_EQ(ReadBytes(config.Path()), before);
  EXPECT_EQ(dir.Entries(), std::set<std::string>{"tarnquil.ini"});
}

}  // namespace
}  // namespace tq
