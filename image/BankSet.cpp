// Bank sets: two or four HEX files that together make a 128 KB image. They
// are merged into one ordinary HEX file beside them (base + "hex"), which is
// then loaded like any other, so the buffer never holds per-bank state.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "image/ImageFiles.h"

namespace tq {

namespace {

// The base and the merged name each had a 256-character store.
constexpr size_t kBankNameMax = 255;
constexpr int kBankPages = 128;  // 64 KB, one bank's address space

bool CanOpen(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  std::fclose(f);
  return true;
}

class MergedFile {
 public:
  explicit MergedFile(std::string path) : path_(std::move(path)) {}

  // Writes pages firstPage..127 of the buffer from `address` on, after the
  // optional segment line and before the optional end line. A part whose
  // file does not open is skipped: the read of the merged file decides then.
  void WritePart(const CodeBuffer& buffer, bool create, const char* segmentLine, int firstPage,
                 uint16_t address, bool endLine) {
    if (failed_) return;  // never append behind a part that went missing
    std::ofstream out(path_, std::ios::binary | (create ? std::ios::trunc : std::ios::app));
    if (!out) return;
    if (segmentLine) out << segmentLine << "\r\n";
    for (int p = firstPage; p < kBankPages; ++p) {
      WriteHexPage(out, buffer, p, address);
      address = static_cast<uint16_t>(address + kPageSize);
    }
    if (endLine) out << ":00000001FF\r\n";
    out.close();
    if (out.fail()) failed_ = true;
  }

  // A merged file cut short by a full disk would load as a smaller image;
  // it is removed instead.
  bool Failed() {
    if (failed_) {
      std::error_code ec;
      if (std::filesystem::is_regular_file(path_, ec)) std::filesystem::remove(path_, ec);
    }
    return failed_;
  }

 private:
  std::string path_;
  bool failed_ = false;
};

}  // namespace

bool CombineBankSet(CodeBuffer& buffer, WindowServices& win, uint8_t& resultCode) {
  const std::string picked = buffer.fileName.value_or("");
  const std::string base = picked.size() >= 3 ? picked.substr(0, picked.size() - 3) : "";
  const std::string merged = base + "hex";
  if (merged.size() > kBankNameMax) {
    win.AddLog("Bank file name too long, file not loaded!!!");
    resultCode = 1;
    return false;
  }

  auto readBank = [&](const char* ext) {
    buffer.fileName = base + ext;
    LoadIntelHex(buffer, win, resultCode);
  };
  auto bankLine = [&](const char* ext) {
    win.AddLog((resultCode == 0 ? "Combine " : "Bypass ") + base + ext);
  };

  MergedFile out(merged);
  if (CanOpen(base + "h00")) {
    readBank("h00");
    out.WritePart(buffer, true, ":020000020000FC", 0, 0x0000, false);
    bankLine("h00");
    readBank("h01");
    out.WritePart(buffer, false, ":020000021000EC", 0, 0x0000, true);
    bankLine("h01");
  } else {
    readBank("h01");
    out.WritePart(buffer, true, ":020000020000FC", 0, 0x0000, false);
    bankLine("h01");
    // Only the upper 32 KB of the two high banks count.
    readBank("h02");
    out.WritePart(buffer, false, ":020000021000EC", 64, 0x0000, false);
    bankLine("h02");
    readBank("h03");
    out.WritePart(buffer, false, nullptr, 64, 0x8000, true);
    bankLine("h03");
  }

  buffer.fileName = merged;
  if (out.Failed()) {
    win.AddLog("Fail to write " + merged);
    resultCode = 1;
    return false;
  }
  win.AddLog("Creat " + merged);
  // The merge itself went through; the read of the merged file decides the
  // outcome of the load.
  resultCode = 0;
  return true;
}

}  // namespace tq
