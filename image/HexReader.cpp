// The Intel HEX reader. It is deliberately lenient (no record checksum, any
// character decodes to something, unknown record types are skipped) because
// files from old linkers and hand edits must still load; the only things it
// refuses are files it cannot open, data beyond the 128 KB buffer and record
// lines it cannot hold in its 80-character store.
#include <sys/stat.h>

#include <clocale>
#include <cstdio>
#include <memory>
#include <string>

#include "image/ImageFiles.h"

namespace tq {

namespace {

// The record line store: the characters after the colon, line feed
// included. So at most 79 characters may stand before the line feed.
constexpr int kRecordStore = 80;
constexpr int kRecordTextMax = kRecordStore - 1;
constexpr int kHeaderChars = 8;  // byte count, address, type

// '0'-'9', 'A'-'F', 'a'-'f' give their digit; every other character keeps its
// own code, so a damaged pair still decodes to some byte.
inline unsigned DigitValue(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return c;
}

inline uint8_t Pair(const unsigned char* text) {
  return static_cast<uint8_t>((DigitValue(text[0]) << 4) | DigitValue(text[1]));
}

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

enum class ReadEnd { Done, Overflow, Damaged, ReadError };

void NotOpened(CodeBuffer& buffer, WindowServices& win, uint8_t& resultCode,
               const std::string& name) {
  buffer.pageCount = 0;
  win.AddLog("Fail to open File" + name);
  win.SetStatus(1, "File not loaded");
  win.SetStatus(2, "0");
  resultCode = 1;
}

void NotLoaded(CodeBuffer& buffer, WindowServices& win, uint8_t& resultCode,
               const std::string& logLine) {
  resultCode = 1;
  buffer.pageCount = 0;
  win.SetStatus(1, "File not loaded");
  win.AddLog(logLine);
  win.SetStatus(2, "0");
}

}  // namespace

std::string FileLabel(const std::string& path) {
  // There are no short names here, so the full path stands in for the short
  // form; the label still steps back out of it and ends in the file's name.
  const size_t slash = path.find_last_of('/');
  const std::string own = slash == std::string::npos ? path : path.substr(slash + 1);
  return path + "/../" + own;
}

void ShowFileLabel(const CodeBuffer& buffer, WindowServices& win) {
  win.SetStatus(1, FileLabel(buffer.fileName.value_or("")));
}

std::string HexSizeText(int32_t pageCount) {
  std::string text = std::to_string(pageCount / 2);
  if (pageCount % 2 != 0) {
    const std::lconv* conv = std::localeconv();
    text += (conv && conv->decimal_point && *conv->decimal_point) ? conv->decimal_point : ".";
    text += '5';
  }
  return text + "KBytes";
}

void LoadIntelHex(CodeBuffer& buffer, WindowServices& win, uint8_t& resultCode) {
  resultCode = 0;
  buffer.checksum = 0;
  buffer.pageCount = 0;
  buffer.loadedBytes = 0;
  uint32_t segmentBase = 0;
  buffer.FillBlank();

  const std::string name = buffer.fileName.value_or("");
  File file(std::fopen(name.c_str(), "rb"));
  struct stat info {};
  if (!file || (fstat(fileno(file.get()), &info) == 0 && S_ISDIR(info.st_mode))) {
    NotOpened(buffer, win, resultCode, name);
    return;
  }
  char streamBuffer[1 << 14];
  std::setvbuf(file.get(), streamBuffer, _IOFBF, sizeof streamBuffer);
  std::FILE* f = file.get();

  unsigned char line[kRecordStore];
  long lineNumber = 1;  // of the character read next
  long recordLineNumber = 0;
  ReadEnd end = ReadEnd::Done;

  for (;;) {
    int c = getc_unlocked(f);
    if (c == EOF) break;
    if (c == '\n') {
      ++lineNumber;
      continue;
    }
    if (c != ':') continue;

    // Collect the record line. A carriage return counts only when something
    // other than the line feed follows it. A last line without a line feed
    // is taken as if it had one.
    recordLineNumber = lineNumber;
    int length = 0;
    bool pendingCr = false;
    bool tooLong = false;
    for (;;) {
      c = getc_unlocked(f);
      if (c == EOF) break;
      if (c == '\n') {
        ++lineNumber;
        break;
      }
      if (pendingCr) {
        if (length == kRecordTextMax) {
          tooLong = true;
          break;
        }
        line[length++] = '\r';
        pendingCr = false;
      }
      if (c == '\r') {
        pendingCr = true;
        continue;
      }
      if (length == kRecordTextMax) {
        tooLong = true;
        break;
      }
      line[length++] = static_cast<unsigned char>(c);
    }
    if (tooLong || length < kHeaderChars) {
      end = ReadEnd::Damaged;
      break;
    }

    const uint8_t count = Pair(line);
    const uint32_t loadAddress = (uint32_t{Pair(line + 2)} << 8) | Pair(line + 4);
    const uint8_t type = Pair(line + 6);
    if (type == 0x00) {
      if (count == 0) continue;
      if (kHeaderChars + 2 * count > length) {
        end = ReadEnd::Damaged;
        break;
      }
      uint32_t address = loadAddress + segmentBase;
      const unsigned char* pair = line + kHeaderChars;
      for (int i = 0; i < count; ++i, ++address, pair += 2) {
        if (!buffer.StoreDataByte(address, Pair(pair))) {
          end = ReadEnd::Overflow;
          break;
        }
      }
      if (end != ReadEnd::Done) break;
    } else if (type == 0x01) {
      break;
    } else if (type == 0x02 || type == 0x04) {
      if (length < kHeaderChars + 4) {
        end = ReadEnd::Damaged;
        break;
      }
      const uint32_t value = (uint32_t{Pair(line + 8)} << 8) | Pair(line + 10);
      segmentBase = type == 0x02 ? value << 4 : value << 16;
    }
    // any other type: ignored
  }
  if (end == ReadEnd::Done && std::ferror(f)) end = ReadEnd::ReadError;
  file.reset();

  switch (end) {
    case ReadEnd::Done:
      ShowFileLabel(buffer, win);
      win.SetStatus(2, HexSizeText(buffer.pageCount));
      return;
    case ReadEnd::Overflow:
      NotLoaded(buffer, win, resultCode, "Segment overflow ,file not loaded!!!");
      return;
    case ReadEnd::Damaged:
      NotLoaded(buffer, win, resultCode,
                "Record too long or short at line " + std::to_string(recordLineNumber) +
                    ", file not loaded!!!");
      return;
    case ReadEnd::ReadError:
      NotOpened(buffer, win, resultCode, name);
      return;
  }
}

}  // namespace tq
