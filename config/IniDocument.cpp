#include "config/IniDocument.h"

#include <cstddef>

namespace tq {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view s) {
  size_t b = 0;
  while (b < s.size() && IsBlank(s[b])) ++b;
  size_t e = s.size();
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

char Lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Plain ASCII folding: names are 8-bit text and must not depend on the locale.
bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<int32_t> ParseHex(std::string_view digits) {
  if (digits.empty()) return std::nullopt;
  uint32_t value = 0;
  int significant = 0;
  for (char c : digits) {
    int d = HexDigit(c);
    if (d < 0) return std::nullopt;
    if (significant > 0 || d != 0) ++significant;
    if (significant > 8) return std::nullopt;
    value = (value << 4) | static_cast<uint32_t>(d);
  }
  return static_cast<int32_t>(value);
}

std::optional<int32_t> ParseDecimal(std::string_view s) {
  bool negative = false;
  if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
    negative = s[0] == '-';
    s.remove_prefix(1);
  }
  if (s.empty()) return std::nullopt;
  const int64_t limit = negative ? int64_t{INT32_MAX} + 1 : int64_t{INT32_MAX};
  int64_t value = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
    if (value > limit) return std::nullopt;
  }
  return static_cast<int32_t>(negative ? -value : value);
}

struct LineInfo {
  enum Kind { kBlank, kComment, kHeader, kKey, kOther } kind = kOther;
  std::string_view name;  // section name of a header, key name of a key line
  size_t valueStart = 0;  // key line: first byte after "=" and its blanks
};

LineInfo Classify(std::string_view text) {
  LineInfo info;
  std::string_view t = Trim(text);
  if (t.empty()) {
    info.kind = LineInfo::kBlank;
    return info;
  }
  if (t[0] == ';' || t[0] == '#') {
    info.kind = LineInfo::kComment;
    return info;
  }
  if (t[0] == '[') {
    size_t close = t.find(']');
    if (close != std::string_view::npos) {
      info.kind = LineInfo::kHeader;
      info.name = Trim(t.substr(1, close - 1));
      return info;
    }
  }
  size_t eq = text.find('=');
  if (eq == std::string_view::npos) return info;
  std::string_view key = Trim(text.substr(0, eq));
  if (key.empty()) return info;
  info.kind = LineInfo::kKey;
  info.name = key;
  size_t v = eq + 1;
  while (v < text.size() && IsBlank(text[v])) ++v;
  info.valueStart = v;
  return info;
}

}  // namespace

std::optional<int32_t> ParseIniInteger(std::string_view text) {
  std::string_view s = Trim(text);
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) return ParseHex(s.substr(2));
  if (!s.empty() && s[0] == '$') return ParseHex(s.substr(1));
  return ParseDecimal(s);
}

IniDocument IniDocument::Parse(std::string_view bytes) {
  IniDocument doc;
  size_t pos = 0;
  while (pos < bytes.size()) {
    size_t nl = bytes.find('\n', pos);
    Line line;
    if (nl == std::string_view::npos) {
      line.text.assign(bytes.substr(pos));
      pos = bytes.size();
    } else {
      std::string_view body = bytes.substr(pos, nl - pos);
      if (!body.empty() && body.back() == '\r') {
        body.remove_suffix(1);
        line.eol = "\r\n";
      } else {
        line.eol = "\n";
      }
      line.text.assign(body);
      pos = nl + 1;
    }
    doc.lines_.push_back(std::move(line));
  }
  if (!doc.lines_.empty() && !doc.lines_.front().eol.empty()) doc.newline_ = doc.lines_.front().eol;
  return doc;
}

std::string IniDocument::Serialize() const {
  std::string out;
  for (const Line& line : lines_) {
    out += line.text;
    out += line.eol;
  }
  return out;
}

std::optional<std::string> IniDocument::Find(std::string_view section, std::string_view key) const {
  bool inSection = false;
  for (const Line& line : lines_) {
    LineInfo info = Classify(line.text);
    if (info.kind == LineInfo::kHeader) {
      inSection = SameName(info.name, section);
    } else if (inSection && info.kind == LineInfo::kKey && SameName(info.name, key)) {
      return std::string(Trim(std::string_view(line.text).substr(info.valueStart)));
    }
  }
  return std::nullopt;
}

bool IniDocument::HasKey(std::string_view section, std::string_view key) const {
  return Find(section, key).has_value();
}

bool IniDocument::HasSection(std::string_view section) const {
  bool inSection = false;
  for (const Line& line : lines_) {
    LineInfo info = Classify(line.text);
    if (info.kind == LineInfo::kHeader) {
      inSection = SameName(info.name, section);
    } else if (inSection && info.kind == LineInfo::kKey) {
      return true;
    }
  }
  return false;
}

bool IniDocument::IsStorableSection(std::string_view section) {
  return !section.empty() && Trim(section) == section &&
         section.find_first_of("]\r\n") == std::string_view::npos;
}

bool IniDocument::IsStorableKey(std::string_view key) {
  return !key.empty() && Trim(key) == key && key[0] != ';' && key[0] != '#' && key[0] != '[' &&
         key.find_first_of("=\r\n") == std::string_view::npos;
}

bool IniDocument::IsStorableValue(std::string_view value) {
  // A line break would end the line early and could smuggle in keys or
  // sections of its own.
  return value.find_first_of("\r\n") == std::string_view::npos;
}

bool IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
  if (!IsStorableSection(section) || !IsStorableKey(key) || !IsStorableValue(value)) return false;

  // The first header of the section, and the first matching key under any of
  // its headers (the one a read would find).
  size_t header = lines_.size();
  bool inSection = false;
  for (size_t i = 0; i < lines_.size(); ++i) {
    LineInfo info = Classify(lines_[i].text);
    if (info.kind == LineInfo::kHeader) {
      inSection = SameName(info.name, section);
      if (inSection && header == lines_.size()) header = i;
    } else if (inSection && info.kind == LineInfo::kKey && SameName(info.name, key)) {
      // Keep the line's own spelling of the key and its spacing around "=".
      lines_[i].text.resize(info.valueStart);
      lines_[i].text.append(value);
      return true;
    }
  }

  Line entry{std::string(key) + "=" + std::string(value), newline_};
  if (header < lines_.size()) {
    size_t end = header + 1;
    while (end < lines_.size() && Classify(lines_[end].text).kind != LineInfo::kHeader) ++end;
    while (end > header + 1 && Classify(lines_[end - 1].text).kind == LineInfo::kBlank) --end;
    if (lines_[end - 1].eol.empty()) lines_[end - 1].eol = newline_;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(end), std::move(entry));
    return true;
  }

  if (!lines_.empty()) {
    if (lines_.back().eol.empty()) lines_.back().eol = newline_;
    if (Classify(lines_.back().text).kind != LineInfo::kBlank) lines_.push_back(Line{"", newline_});
  }
  lines_.push_back(Line{"[" + std::string(section) + "]", newline_});
  lines_.push_back(std::move(entry));
  return true;
}

}  // namespace tq
