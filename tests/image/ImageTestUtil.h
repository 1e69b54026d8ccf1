// Small helpers for the image tests: a private temporary folder and whole
// file reads and writes.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace tq::test {

class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tq-image-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  std::string File(const std::string& name) const { return (path_ / name).string(); }
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

inline void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::vector<uint8_t> ReadBytes(const std::string& path) {
  const std::string text = ReadFile(path);
  return std::vector<uint8_t>(text.begin(), text.end());
}

// A data record line with a correct checksum, without its line end.
inline std::string DataRecord(uint16_t address, const std::vector<uint8_t>& data) {
  char text[16];
  unsigned sum = static_cast<unsigned>(data.size()) + (address >> 8) + (address & 0xFF);
  std::snprintf(text, sizeof text, ":%02X%04X00", static_cast<unsigned>(data.size()), address);
  std::string line = text;
  for (uint8_t b : data) {
    std::snprintf(text, sizeof text, "%02X", b);
    line += text;
    sum += b;
  }
  std::snprintf(text, sizeof text, "%02X", (0x100 - (sum & 0xFF)) & 0xFF);
  return line + text;
}

inline std::string DataFile(const std::string& name) {
  const char* source = std::getenv("TQ_SOURCE_DIR");
  return std::string(source ? source : ".") + "/tests/image/data/" + name;
}

}  // namespace tq::test
