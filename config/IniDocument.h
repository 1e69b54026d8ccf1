// The text of an INI file held as its lines, so that an edit changes one
// line (or adds some) and writes every other byte back exactly as it was:
// comments, blank lines, order, unknown content and line ends.
//
// Reading rules, as classic INI readers have them:
// - "[name]" opens a section; text after the "]" is ignored. A line that
//   starts with "[" but has no "]" is no header.
// - "key=value" inside a section holds a value; key and value are trimmed of
//   blanks. Lines before the first section, comment lines (";" or "#" first),
//   and lines without "=" hold no value and are kept untouched.
// - Section and key names are matched without regard to ASCII letter case.
//   When a name occurs more than once, the first occurrence in the file wins,
//   for reading and writing alike, so what a write changes is what a read sees.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tq {

// An integer as the configuration file holds it, after trimming:
// - decimal with an optional sign, within the signed 32-bit range;
// - "0x"/"0X" or "$" followed by hexadecimal digits. Up to eight significant
//   digits are taken as a 32-bit pattern, so "0xFFFFFFFF" reads as -1, the
//   way the value was written from a two's complement integer;
// anything else (empty, "0x" or "$" alone, stray characters, a decimal out of
// range, more than eight significant hexadecimal digits) is no integer.
std::optional<int32_t> ParseIniInteger(std::string_view text);

class IniDocument {
 public:
  static IniDocument Parse(std::string_view bytes);
  std::string Serialize() const;

  // The trimmed value of the first matching key, or nothing.
  std::optional<std::string> Find(std::string_view section, std::string_view key) const;
  bool HasKey(std::string_view section, std::string_view key) const;
  // A section counts only when it holds at least one key.
  bool HasSection(std::string_view section) const;

  // Whether a name or value can be stored so that it reads back the same
  // (no line breaks; names without their own delimiters or outer blanks).
  static bool IsStorableSection(std::string_view section);
  static bool IsStorableKey(std::string_view key);
  static bool IsStorableValue(std::string_view value);

  // Replaces the value of an existing key in place, or adds the key at the end
  // of its section (before the section's trailing blank lines), or adds the
  // section at the end of the document. Returns false, changing nothing, when
  // the names or the value cannot be stored.
  bool Set(std::string_view section, std::string_view key, std::string_view value);

 private:
  struct Line {
    std::string text;  // without its line end
    std::string eol;   // "\n", "\r\n", or "" for a last line without one
  };
  std::vector<Line> lines_;
  // The line end the document already uses; "\n" for a new one.
  std::string newline_ = "\n";
};

}  // namespace tq
