// The Intel HEX lines the tool writes (merged bank sets, Save File) and the
// two Save File writers.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "image/ImageFiles.h"

namespace tq {

namespace {

constexpr char kDigits[] = "0123456789ABCDEF";
constexpr int kRecordBytes = 16;
constexpr int kRecordsPerPage = kPageSize / kRecordBytes;     // 32
constexpr int kLineChars = 1 + 8 + 2 * kRecordBytes + 2 + 2;  // ":10AAAA00" data sum CR LF

inline char* PutByte(char* out, unsigned value) {
  out[0] = kDigits[(value >> 4) & 0xF];
  out[1] = kDigits[value & 0xF];
  return out + 2;
}

void NotSaved(WindowServices& win, uint8_t& resultCode) {
  win.SetStatus(1, "File not saved");
  resultCode = 1;
}

// A file that could be created but not written to the end (a full disk)
// must not be left looking like a saved image.
void WriteFailed(const std::string& fileName, WindowServices& win, uint8_t& resultCode) {
  std::error_code ec;
  if (std::filesystem::is_regular_file(fileName, ec)) std::filesystem::remove(fileName, ec);
  win.AddLog("Fail to write file!!!");
  NotSaved(win, resultCode);
}

}  // namespace

void WriteHexPage(std::ostream& out, const CodeBuffer& buffer, int page, uint16_t address) {
  if (page < 0 || page >= kPageCountMax) return;
  char text[kRecordsPerPage * kLineChars];
  char* p = text;
  const uint8_t* data = buffer.Page(page);
  for (int k = 0; k < kRecordsPerPage; ++k) {
    const uint16_t a = static_cast<uint16_t>(address + kRecordBytes * k);
    unsigned sum = kRecordBytes + (a >> 8) + (a & 0xFF);
    *p++ = ':';
    p = PutByte(p, kRecordBytes);
    p = PutByte(p, a >> 8);
    p = PutByte(p, a & 0xFF);
    p = PutByte(p, 0x00);
    for (int i = 0; i < kRecordBytes; ++i) {
      const uint8_t b = data[kRecordBytes * k + i];
      sum += b;
      p = PutByte(p, b);
    }
    p = PutByte(p, (0x100 - (sum & 0xFF)) & 0xFF);
    *p++ = '\r';
    *p++ = '\n';
  }
  out.write(text, p - text);
}

namespace {

// Both writers: create the file, write the body, and report the outcome as
// Save File expects it.
template <typename Body>
void WriteImageFile(const std::string& fileName, WindowServices& win, uint8_t& resultCode,
                    Body body) {
  std::ofstream out(fileName, std::ios::binary | std::ios::trunc);
  if (!out) {
    win.AddLog("Fail to open file!!!");
    NotSaved(win, resultCode);
    return;
  }
  body(out);
  out.close();
  if (out.fail()) {
    WriteFailed(fileName, win, resultCode);
    return;
  }
  win.AddLog("File Saved.");
}

}  // namespace

void WriteIntelHex(const CodeBuffer& buffer, const std::string& fileName, int pages,
                   WindowServices& win, uint8_t& resultCode) {
  pages = std::clamp(pages, 0, kPageCountMax);
  WriteImageFile(fileName, win, resultCode, [&](std::ofstream& out) {
    uint16_t address = 0;
    for (int p = 0; p < pages; ++p) {
      if (p == 0) {
        out << ":020000020000FC\r\n";
        address = 0;
      } else if (p == 128) {
        out << ":020000021000EC\r\n";
        address = 0;
      }
      WriteHexPage(out, buffer, p, address);
      address = static_cast<uint16_t>(address + kPageSize);
    }
    out << ":00000001FF\r\n";
  });
}

void WriteBinary(const CodeBuffer& buffer, const std::string& fileName, int pages,
                 WindowServices& win, uint8_t& resultCode) {
  pages = std::clamp(pages, 0, kPageCountMax);
  WriteImageFile(fileName, win, resultCode, [&](std::ofstream& out) {
    out.write(reinterpret_cast<const char*>(buffer.bytes.data()),
              static_cast<std::streamsize>(pages) * kPageSize);
  });
}

}  // namespace tq
