#include "HiveFormat.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "RegistryBackend.h"

namespace HiveFormat {

namespace {

char lower(char c) {
  return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view trimLeft(std::string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  return s;
}

std::string_view trimRight(std::string_view s) {
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  return s;
}

std::string_view trim(std::string_view s) { return trimRight(trimLeft(s)); }

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = lower(c);
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Up to maxDigits hex digits, the whole of s; false when s is anything else.
bool parseHexNumber(std::string_view s, std::size_t maxDigits, std::uint32_t& out) {
  if (s.empty() || s.size() > maxDigits) return false;
  std::uint32_t value = 0;
  for (char c : s) {
    int d = hexDigit(c);
    if (d < 0) return false;
    value = (value << 4) | static_cast<std::uint32_t>(d);
  }
  out = value;
  return true;
}

const char kHexDigits[] = "0123456789abcdef";

void appendHex(std::string& out, std::uint32_t value, int minDigits) {
  std::string digits;
  do {
    digits.insert(digits.begin(), kHexDigits[value & 0xF]);
    value >>= 4;
  } while (value != 0);
  while (static_cast<int>(digits.size()) < minDigits) digits.insert(digits.begin(), '0');
  out += digits;
}

// The text lines with their numbers, line ends (LF or CRLF) removed.
struct Line {
  int number;
  std::string_view text;
};

std::vector<Line> splitLines(std::string_view text) {
  std::vector<Line> lines;
  int number = 1;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back({number++, line});
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

// A quoted text starting at s[0] == '"'. \\ and \" stand for \ and "; any other backslash is
// kept as it is, as regedit does. Answers the text and moves s past the closing quote.
bool parseQuoted(std::string_view& s, std::string& out) {
  out.clear();
  std::size_t i = 1;
  while (i < s.size()) {
    char c = s[i];
    if (c == '"') {
      s.remove_prefix(i + 1);
      return true;
    }
    if (c == '\\' && i + 1 < s.size() && (s[i + 1] == '\\' || s[i + 1] == '"')) {
      out += s[i + 1];
      i += 2;
      continue;
    }
    out += c;
    ++i;
  }
  return false;
}

void appendQuoted(std::string& out, std::string_view text) {
  out += '"';
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  out += '"';
}

bool startsWithNoCase(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && sameName(s.substr(0, prefix.size()), prefix);
}

bool writableName(std::string_view name) {
  return name.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

// A REG_SZ can be written as "text" only when reading the text back gives the same bytes: one
// terminating zero at the end and no other zero, and no line break inside.
bool textIsFaithful(const std::vector<std::uint8_t>& data) {
  if (data.empty() || data.back() != 0) return false;
  return std::none_of(data.begin(), data.end() - 1,
                      [](std::uint8_t b) { return b == 0 || b == '\r' || b == '\n'; });
}

class Parser {
public:
  explicit Parser(std::string_view text) : lines_(splitLines(text)) {}

  Hive run() {
    if (lines_.empty() || trimRight(lines_[0].text) != "REGEDIT4")
      throw ParseError(1, "the first line is not REGEDIT4");
    for (index_ = 1; index_ < lines_.size(); ++index_) {
      const Line& line = lines_[index_];
      std::string_view s = trimLeft(line.text);
      if (s.empty() || s.front() == ';') continue;
      if (s.front() == '[') {
        keyLine(line.number, s);
      } else if (s.front() == '"' || s.front() == '@') {
        valueLine(line.number, s);
      } else {
        throw ParseError(line.number, "expected a [key] line, a value or a comment");
      }
    }
    return std::move(hive_);
  }

private:
  void keyLine(int number, std::string_view s) {
    std::size_t close = s.rfind(']');
    if (close == std::string_view::npos) throw ParseError(number, "a key line without ']'");
    if (!trim(s.substr(close + 1)).empty())
      throw ParseError(number, "text after the ']' of a key line");
    std::string_view path = s.substr(1, close - 1);
    if (path.empty()) throw ParseError(number, "an empty key path");
    if (path.front() == '-') throw ParseError(number, "deleting a key is not supported");
    if (path.front() == '\\' || path.back() == '\\' || path.find("\\\\") != std::string_view::npos)
      throw ParseError(number, "a key path with an empty name in it");
    Key* key = hive_.find(path);
    if (!key) {
      hive_.keys.push_back(Key{std::string(path), {}, number});
      key = &hive_.keys.back();
    }
    current_ = static_cast<std::size_t>(key - hive_.keys.data());
    haveKey_ = true;
  }

  void valueLine(int number, std::string_view s) {
    if (!haveKey_) throw ParseError(number, "a value before any [key] line");
    std::string name;
    if (s.front() == '@') {
      s.remove_prefix(1);
    } else if (!parseQuoted(s, name)) {
      throw ParseError(number, "a value name without its closing quote");
    }
    s = trimLeft(s);
    if (s.empty() || s.front() != '=') throw ParseError(number, "expected '=' after the value name");
    s = trimLeft(s.substr(1));

    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    if (!s.empty() && s.front() == '"') {
      std::string text;
      if (!parseQuoted(s, text)) throw ParseError(number, "a text without its closing quote");
      if (!trim(s).empty()) throw ParseError(number, "text after the closing quote");
      type = reg::kSz;
      data.assign(text.begin(), text.end());
      data.push_back(0);
    } else if (startsWithNoCase(s, "dword:")) {
      std::uint32_t value = 0;
      if (!parseHexNumber(trim(s.substr(6)), 8, value))
        throw ParseError(number, "dword: needs up to 8 hex digits");
      type = reg::kDword;
      for (int i = 0; i < 4; ++i) data.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    } else if (startsWithNoCase(s, "hex:")) {
      type = reg::kBinary;
      data = hexData(number, s.substr(4));
    } else if (startsWithNoCase(s, "hex(")) {
      std::size_t close = s.find("):");
      if (close == std::string_view::npos || !parseHexNumber(s.substr(4, close - 4), 8, type))
        throw ParseError(number, "hex(N): needs a hex type number");
      data = hexData(number, s.substr(close + 2));
    } else if (!s.empty() && s.front() == '-') {
      throw ParseError(number, "deleting a value is not supported");
    } else {
      throw ParseError(number, "expected \"text\", dword: or hex data");
    }
    hive_.keys[current_].set(name, type, std::move(data));
  }

  // Comma-separated byte pairs, continued on the next lines while a line ends in "\".
  std::vector<std::uint8_t> hexData(int number, std::string_view first) {
    // The pieces joined into one list, with where each line's piece starts in it.
    std::string list;
    std::vector<std::pair<std::size_t, int>> starts;
    std::string_view s = trimRight(first);
    while (!s.empty() && s.back() == '\\') {
      starts.push_back({list.size(), number});
      list += s.substr(0, s.size() - 1);
      if (index_ + 1 >= lines_.size())
        throw ParseError(number, "hex data continued past the end of the file");
      ++index_;
      number = lines_[index_].number;
      s = trimRight(lines_[index_].text);
    }
    starts.push_back({list.size(), number});
    list += s;

    auto lineAt = [&](std::size_t offset) {
      int line = starts.front().second;
      for (const auto& [begin, n] : starts)
        if (begin <= offset) line = n;
      return line;
    };

    std::vector<std::uint8_t> data;
    if (trim(list).empty()) return data;
    std::size_t at = 0;
    while (true) {
      const std::size_t comma = list.find(',', at);
      const std::string_view item = trim(std::string_view(list).substr(at, comma - at));
      const bool last = comma == std::string::npos;
      if (item.empty()) {
        // A comma that ends the data is tolerated; an empty item between commas is not.
        if (!last || data.empty()) throw ParseError(lineAt(at), "an empty item in hex data");
      } else {
        std::uint32_t byte = 0;
        if (!parseHexNumber(item, 2, byte))
          throw ParseError(lineAt(at), "'" + std::string(item) + "' is not a hex byte");
        data.push_back(static_cast<std::uint8_t>(byte));
      }
      if (last) break;
      at = comma + 1;
    }
    return data;
  }

  std::vector<Line> lines_;
  std::size_t index_ = 0;
  Hive hive_;
  std::size_t current_ = 0;
  bool haveKey_ = false;
};

}  // namespace

ParseError::ParseError(int line, const std::string& reason)
    : std::runtime_error("line " + std::to_string(line) + ": " + reason),
      line_(line),
      reason_(reason) {}

bool sameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (lower(a[i]) != lower(b[i])) return false;
  return true;
}

bool isAtOrBelow(std::string_view path, std::string_view ancestor) {
  if (path.size() < ancestor.size() || !sameName(path.substr(0, ancestor.size()), ancestor))
    return false;
  return path.size() == ancestor.size() || path[ancestor.size()] == '\\';
}

Value* Key::find(std::string_view name) {
  for (Value& v : values)
    if (sameName(v.name, name)) return &v;
  return nullptr;
}

const Value* Key::find(std::string_view name) const {
  return const_cast<Key*>(this)->find(name);
}

void Key::set(std::string_view name, std::uint32_t type, std::vector<std::uint8_t> data) {
  if (Value* v = find(name)) {
    v->type = type;
    v->data = std::move(data);
  } else {
    values.push_back(Value{std::string(name), type, std::move(data)});
  }
}

Key* Hive::find(std::string_view path) {
  for (Key& k : keys)
    if (sameName(k.path, path)) return &k;
  return nullptr;
}

const Key* Hive::find(std::string_view path) const { return const_cast<Hive*>(this)->find(path); }

bool Hive::exists(std::string_view path) const {
  return std::any_of(keys.begin(), keys.end(),
                     [&](const Key& k) { return isAtOrBelow(k.path, path); });
}

Key& Hive::ensure(std::string_view path) {
  // Every level below the root gets its own [path] line, as in an export.
  std::size_t at = path.find('\\');
  while (at != std::string_view::npos) {
    at = path.find('\\', at + 1);
    std::string_view level = path.substr(0, at);
    if (!find(level)) keys.push_back(Key{std::string(level), {}, 0});
  }
  if (!find(path)) keys.push_back(Key{std::string(path), {}, 0});
  return *find(path);
}

void Hive::remove(std::string_view path) {
  std::erase_if(keys, [&](const Key& k) { return isAtOrBelow(k.path, path); });
}

Hive parse(std::string_view text) { return Parser(text).run(); }

std::string write(const Hive& hive) {
  const char* const eol = "\r\n";
  std::string out = "REGEDIT4";
  out += eol;
  out += eol;
  for (const Key& key : hive.keys) {
    if (!writableName(key.path))
      throw std::invalid_argument("a key path with a line break cannot be written");
    out += '[';
    out += key.path;
    out += ']';
    out += eol;
    for (const Value& value : key.values) {
      if (!writableName(value.name))
        throw std::invalid_argument("a value name with a line break cannot be written");
      const std::size_t lineStart = out.size();
      if (value.name.empty())
        out += '@';
      else
        appendQuoted(out, value.name);
      out += '=';
      if (value.type == reg::kSz && textIsFaithful(value.data)) {
        appendQuoted(out, std::string_view(reinterpret_cast<const char*>(value.data.data()),
                                           value.data.size() - 1));
      } else if (value.type == reg::kDword && value.data.size() == 4) {
        std::uint32_t v = 0;
        for (int i = 3; i >= 0; --i) v = (v << 8) | value.data[static_cast<std::size_t>(i)];
        out += "dword:";
        appendHex(out, v, 8);
      } else {
        if (value.type == reg::kBinary) {
          out += "hex:";
        } else {
          out += "hex(";
          appendHex(out, value.type, 1);
          out += "):";
        }
        // Long data continues on the next line after a "\", as regedit wraps it.
        std::size_t column = out.size() - lineStart;
        for (std::size_t i = 0; i < value.data.size(); ++i) {
          const std::size_t width = i + 1 < value.data.size() ? 3 : 2;
          if (i > 0 && column + width > 77) {
            out += '\\';
            out += eol;
            out += "  ";
            column = 2;
          }
          appendHex(out, value.data[i], 2);
          if (width == 3) out += ',';
          column += width;
        }
      }
      out += eol;
    }
    out += eol;
  }
  return out;
}

}  // namespace HiveFormat
