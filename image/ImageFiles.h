// Reading and writing image files: Intel HEX, raw binary, bank sets.
// The readers report to the log and status bar through WindowServices and
// set the result code, as the main window's commands expect.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include "core/WindowServices.h"
#include "image/CodeBuffer.h"

namespace tq {

// Reads buffer.fileName as Intel HEX into the buffer. A record line that does
// not fit the 80-character record store, or that is too short for its header
// or for the data its byte count announces, fails the read like data beyond
// the buffer (result code 1, page count 0), its line number in the log line.
// A last line without a line feed is read as if it had one.
void LoadIntelHex(CodeBuffer& buffer, WindowServices& win, uint8_t& resultCode);
// Status panel 1 := FileLabel(buffer.fileName).
void ShowFileLabel(const CodeBuffer& buffer, WindowServices& win);
// The full path, then "/../", then the file's own name.
std::string FileLabel(const std::string& path);
// Half the page count + "KBytes", "1.5KBytes" with the locale's separator.
std::string HexSizeText(int32_t pageCount);

// The 32 data records of one page, CR LF after each.
void WriteHexPage(std::ostream& out, const CodeBuffer& buffer, int page, uint16_t address);

// Reads buffer.fileName as raw bytes. A file longer than 131072 bytes is
// refused (result code 1, bytes blank, a log line), never cut.
void LoadBinary(CodeBuffer& buffer, WindowServices& win, uint8_t& resultCode);
// Merges the bank set of buffer.fileName into base + "hex"; the file name
// becomes the merged file. Returns true with result code 0 when the merged
// file is ready to be read by LoadIntelHex. Returns false with result code 1
// (and a log line) when the names exceed 255 characters (nothing is read or
// written) or when the merged file could not be written to its end (it is
// removed); the caller then skips the read.
bool CombineBankSet(CodeBuffer& buffer, WindowServices& win, uint8_t& resultCode);
// " <YYYY-MM-DD hh:mm:ss>" of the last-write time at UTC+8, or "n/a".
std::string FileTimeStamp(const std::string& path);

// The writers of Save File: N pages to fileName. A file that opens but
// cannot be written to its end (a full disk) is removed and reported like
// one that does not open, with "Fail to write file!!!" in the log.
void WriteIntelHex(const CodeBuffer& buffer, const std::string& fileName, int pages,
                   WindowServices& win, uint8_t& resultCode);
void WriteBinary(const CodeBuffer& buffer, const std::string& fileName, int pages,
                 WindowServices& win, uint8_t& resultCode);

}  // namespace tq
