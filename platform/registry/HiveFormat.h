#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// The REGEDIT4 export format, in which the file hives keep their keys: 8-bit text, a header
// line, one [full key path] line per key followed by its values, each value's type and bytes
// kept exactly as stored.
namespace HiveFormat {

struct Value {
  std::string name;  // empty for the default value, written as @
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
};

struct Key {
  std::string path;  // full path with its root, e.g. HKEY_LOCAL_MACHINE\Software
  std::vector<Value> values;
  int line = 0;      // line of its first [path] line in the text read, 0 when made in memory

  Value* find(std::string_view name);
  const Value* find(std::string_view name) const;
  // Creates or replaces the value; a replaced value keeps the spelling of its name.
  void set(std::string_view name, std::uint32_t type, std::vector<std::uint8_t> data);
};

// Keys in the order they were read or made. Every lookup ignores the case of names.
struct Hive {
  std::vector<Key> keys;

  Key* find(std::string_view path);
  const Key* find(std::string_view path) const;
  // A key exists when it has its own [path] line or a key below it has one, as regedit
  // creates the levels above a key it imports.
  bool exists(std::string_view path) const;
  // The key, made (with the levels above it below the root) when missing.
  Key& ensure(std::string_view path);
  // Drops the key and everything below it.
  void remove(std::string_view path);
};

// A text that does not follow the format; line() is 1-based.
class ParseError : public std::runtime_error {
public:
  ParseError(int line, const std::string& reason);
  int line() const { return line_; }
  const std::string& reason() const { return reason_; }

private:
  int line_;
  std::string reason_;
};

// Reads a whole hive text (CRLF or LF; comments, blank lines, continued hex lines). A key named
// again adds to the earlier one; a value named again in a key replaces the earlier one.
Hive parse(std::string_view text);

// Writes the whole hive as regedit exports it (CRLF line ends).
std::string write(const Hive& hive);

// Registry names compare without regard to case (ASCII letters), as on Windows.
bool sameName(std::string_view a, std::string_view b);
// Whether path lies at or below the key ancestor.
bool isAtOrBelow(std::string_view path, std::string_view ancestor);

}  // namespace HiveFormat
