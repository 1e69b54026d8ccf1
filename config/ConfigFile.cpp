#include "config/ConfigFile.h"

#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>
#include <vector>

#include "config/IniDocument.h"

namespace tq {

namespace {

// Text reads give at most this many characters, as the original buffer did.
constexpr size_t kMaxTextRead = 2047;

enum class LoadResult { kLoaded, kMissing, kFailed };

// Opens, reads whole and closes again: the file is never held between calls.
LoadResult LoadFile(const std::string& path, std::string& out) {
  out.clear();
  // O_NONBLOCK so that a FIFO in the file's place cannot hang the tool.
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return errno == ENOENT ? LoadResult::kMissing : LoadResult::kFailed;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return LoadResult::kFailed;
  }
  char buf[16384];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n > 0) {
      out.append(buf, static_cast<size_t>(n));
    } else if (n == 0) {
      break;
    } else if (errno != EINTR) {
      ::close(fd);
      out.clear();
      return LoadResult::kFailed;
    }
  }
  ::close(fd);
  return LoadResult::kLoaded;
}

IniDocument LoadDocument(const std::string& path) {
  std::string bytes;
  LoadFile(path, bytes);  // reads never fail: an unreadable file reads as empty
  return IniDocument::Parse(bytes);
}

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

// Replaces the file at `target` by `content` so that the file on disk is
// always either the old or the new content in full: the content goes to a
// temporary file beside it, reaches the disk, and is then renamed over the
// old one. A crash or a full disk cannot leave a truncated settings file.
bool ReplaceFile(const std::string& target, const std::string& content) {
  const size_t slash = target.rfind('/');
  const std::string dir =
      slash == std::string::npos ? std::string("./") : target.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);

  struct stat old {};
  const bool haveOld = ::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode);

  static unsigned counter = 0;
  std::string temp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temp = dir;
    temp += '.';
    temp += base;
    temp += ".tmp-" + std::to_string(::getpid());
    temp += '-' + std::to_string(++counter);
    // Mode 0666 through the umask: a new file gets the user's usual bits.
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return false;
  }
  if (fd < 0) return false;

  bool ok = WriteAll(fd, content);
  if (ok && haveOld) {
    // Keep the old file's owner (when we may) and its permission bits.
    if (old.st_uid != ::geteuid() || old.st_gid != ::getegid()) {
      if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
        // Not permitted for an ordinary user; the file then becomes ours.
      }
    }
    ok = ::fchmod(fd, old.st_mode & 07777) == 0;
  }
  ok = ok && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
  if (!ok) {
    ::unlink(temp.c_str());
    return false;
  }
  // Make the rename itself durable. Some file systems cannot sync a
  // directory; the new content is in place either way.
  int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
  return true;
}

// A settings file kept as a symbolic link stays one: the link's target is
// replaced, not the link.
std::string WriteTarget(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    if (char* real = ::realpath(path.c_str(), nullptr)) {
      std::string resolved(real);
      ::free(real);
      return resolved;
    }
  }
  return path;
}

}  // namespace

ConfigWriteError::ConfigWriteError(const std::string& path)
    : std::runtime_error("Unable to write to " + path) {}

std::string ExecutableDirectory() {
  std::vector<char> buf(PATH_MAX);
  for (;;) {
    ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
    if (n < 0) return "./";  // no /proc: the best remaining guess
    if (static_cast<size_t>(n) < buf.size()) {
      std::string exe(buf.data(), static_cast<size_t>(n));
      size_t slash = exe.rfind('/');
      return slash == std::string::npos ? std::string("./") : exe.substr(0, slash + 1);
    }
    buf.resize(buf.size() * 2);
  }
}

ConfigFile::ConfigFile(std::string directory) : dir_(std::move(directory)) {
  if (dir_.empty() || dir_.back() != '/') dir_ += '/';
  path_ = dir_ + kFileName;
}

std::string ConfigFile::ReadString(const std::string& section, const std::string& key,
                                   const std::string& def) const {
  std::string value = LoadDocument(path_).Find(section, key).value_or(def);
  if (value.size() > kMaxTextRead) value.resize(kMaxTextRead);
  return value;
}

int32_t ConfigFile::ReadInteger(const std::string& section, const std::string& key,
                                int32_t def) const {
  std::optional<std::string> text = LoadDocument(path_).Find(section, key);
  if (!text) return def;
  // The integer is read from the same text a text read would give.
  if (text->size() > kMaxTextRead) text->resize(kMaxTextRead);
  return ParseIniInteger(*text).value_or(def);
}

bool ConfigFile::SectionExists(const std::string& section) const {
  return LoadDocument(path_).HasSection(section);
}

bool ConfigFile::ValueExists(const std::string& section, const std::string& key) const {
  return LoadDocument(path_).HasKey(section, key);
}

void ConfigFile::WriteString(const std::string& section, const std::string& key,
                             const std::string& value) {
  WriteValues({{section, key, value}});
}

void ConfigFile::WriteValues(const std::vector<Value>& values) {
  const std::string target = WriteTarget(path_);
  std::string bytes;
  // A file that is there but cannot be read must not be replaced by one that
  // holds only the new keys: that would lose every other setting.
  if (LoadFile(target, bytes) == LoadResult::kFailed) throw ConfigWriteError(path_);
  IniDocument doc = IniDocument::Parse(bytes);
  for (const Value& v : values) {
    if (!doc.Set(v.section, v.key, v.value)) throw ConfigWriteError(path_);
  }
  if (!ReplaceFile(target, doc.Serialize())) throw ConfigWriteError(path_);
}

void ConfigFile::WriteInteger(const std::string& section, const std::string& key, int32_t value) {
  WriteString(section, key, std::to_string(value));
}

}  // namespace tq
