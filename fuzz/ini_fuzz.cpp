// Arbitrary bytes as tarnquil.ini: every read must cope, the text must come
// back byte for byte, and a write must change exactly the value it names.
#include <fcntl.h>
#include <strings.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "config/ConfigFile.h"
#include "config/IniDocument.h"

namespace {

namespace fs = std::filesystem;

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "ini_fuzz: %s\n", what);
    std::abort();
  }
}

constexpr std::string_view kDirPrefix = "tq-ini-fuzz-";

// libFuzzer ends the process without running exit handlers, so a run cannot
// clean up after itself; the next run removes what dead runs left behind.
std::string MakeWorkDir() {
  const fs::path base = fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(base, ec)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind(kDirPrefix, 0) != 0) continue;
    const std::string pid = name.substr(kDirPrefix.size());
    if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos) continue;
    if (!fs::exists("/proc/" + pid)) fs::remove_all(entry.path(), ec);
  }
  const fs::path dir = base / (std::string(kDirPrefix) + std::to_string(::getpid()));
  fs::create_directories(dir, ec);
  Check(fs::is_directory(dir), "work directory");
  return dir.string() + "/";
}

void PutFile(const std::string& path, std::string_view bytes) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  Check(fd >= 0, "open");
  Check(::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()), "write");
  ::close(fd);
}

std::string GetFile(const std::string& path) {
  std::string out;
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    std::fclose(f);
  }
  return out;
}

std::string_view Trim(std::string_view s) {
  const char* blanks = " \t\r\v\f";
  size_t b = s.find_first_not_of(blanks);
  if (b == std::string_view::npos) return {};
  return s.substr(b, s.find_last_not_of(blanks) - b + 1);
}

// Names the fuzzer can reach with its first two bytes, including ones that
// cannot be stored.
const char* const kSections[] = {"INFORMATION", "MCU01", "mcu02", "S", "A]", ""};
const char* const kKeys[] = {"INI_VER", "IIC_SPEED", "PATH", "NAME", "id", "K", "=", " K"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string dir = MakeWorkDir();
  const std::string_view input(reinterpret_cast<const char*>(data), size);

  // The document gives back exactly the bytes it was made from.
  Check(tq::IniDocument::Parse(input).Serialize() == input, "parse/serialize round trip");
  if (size < 2) return 0;

  // The first two bytes pick the value to write; the rest is the file, and
  // the second half of it is also the value.
  const char* section = kSections[data[0] % std::size(kSections)];
  const char* key = kKeys[data[1] % std::size(kKeys)];
  const std::string_view body = input.substr(2);
  const std::string value(body.substr(body.size() / 2));

  tq::ConfigFile config(dir);
  PutFile(config.Path(), body);

  // The reads of the start-up all cope with whatever is in the file.
  if (data[0] < 32) {
    tq::McuTable table;
    tq::LoadMcuTable(config, table);
    Check(table[tq::kMcuSlots - 1].inUse == 0, "last slot in use");
  }
  (void)tq::ReadIicSpeed(config);
  (void)tq::InformationLine(config);
  Check(tq::ReadPath(config).size() <= 2047, "text read longer than 2047");

  const tq::IniDocument before = tq::IniDocument::Parse(body);
  const bool storable = tq::IniDocument::IsStorableSection(section) &&
                        tq::IniDocument::IsStorableKey(key) &&
                        tq::IniDocument::IsStorableValue(value);
  try {
    config.WriteString(section, key, value);
    Check(storable, "write of an unstorable value succeeded");
  } catch (const tq::ConfigWriteError&) {
    Check(!storable, "write failed in a writable directory");
    Check(GetFile(config.Path()) == body, "failed write changed the file");
    return 0;
  }

  const std::string text = GetFile(config.Path());
  const tq::IniDocument after = tq::IniDocument::Parse(text);
  Check(after.Serialize() == text, "rewritten file round trip");
  Check(after.Find(section, key) == std::string(Trim(value)), "written value reads back");
  Check(after.HasSection(section), "written section is present");
  std::string capped(Trim(value).substr(0, 2047));
  Check(config.ReadString(section, key, "") == capped, "text read through the file");

  // Every other value stays as it was.
  for (const char* s : kSections) {
    for (const char* k : kKeys) {
      if (strcasecmp(s, section) == 0 && strcasecmp(k, key) == 0) continue;
      Check(after.Find(s, k) == before.Find(s, k), "write changed another value");
      Check(after.HasSection(s) == before.HasSection(s) || strcasecmp(s, section) == 0,
            "write changed another section");
    }
  }
  return 0;
}
