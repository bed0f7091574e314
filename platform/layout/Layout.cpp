#include "Layout.h"

#include <cctype>
#include <mutex>
#include <stdexcept>

std::string_view embeddedResource(std::string_view name);

std::string LayoutControl::prop(const std::string& key, const std::string& fallback) const {
  auto it = props.find(key);
  return it == props.end() ? fallback : it->second;
}

std::string Layout::prop(const std::string& key, const std::string& fallback) const {
  auto it = props.find(key);
  return it == props.end() ? fallback : it->second;
}

const LayoutFont* Layout::findFont(const std::string& name) const {
  for (const auto& f : fonts)
    if (f.name == name) return &f;
  return nullptr;
}

const LayoutControl* Layout::findControl(const std::string& name) const {
  for (const auto& c : controls)
    if (c.name == name) return &c;
  return nullptr;
}

namespace {

struct Field {
  std::string key;
  std::string value;
};

[[noreturn]] void fail(int line, const std::string& what) {
  throw std::runtime_error("layout line " + std::to_string(line) + ": " + what);
}

// Splits a line into words and key=value pairs; values may be quoted with "..." and hold \" .
std::vector<Field> splitFields(std::string_view s, int line) {
  std::vector<Field> out;
  size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
    if (i >= s.size()) break;
    Field f;
    while (i < s.size() && s[i] != '=' && !std::isspace(static_cast<unsigned char>(s[i])))
      f.key += s[i++];
    if (i < s.size() && s[i] == '=') {
      ++i;
      if (i < s.size() && s[i] == '"') {
        ++i;
        bool closed = false;
        while (i < s.size()) {
          char c = s[i++];
          if (c == '\\' && i < s.size()) {
            f.value += s[i++];
          } else if (c == '"') {
            closed = true;
            break;
          } else {
            f.value += c;
          }
        }
        if (!closed) fail(line, "unterminated quote");
      } else {
        while (i < s.size() && !std::isspace(static_cast<unsigned char>(s[i]))) f.value += s[i++];
      }
    }
    out.push_back(std::move(f));
  }
  return out;
}

int toInt(const std::string& s, int line) {
  try {
    size_t used = 0;
    int v = std::stoi(s, &used);
    if (used != s.size()) fail(line, "not a number: " + s);
    return v;
  } catch (const std::logic_error&) {
    fail(line, "not a number: " + s);
  }
}

std::vector<int> toInts(const std::string& s, char sep, size_t count, int line) {
  std::vector<int> v;
  size_t start = 0;
  while (true) {
    size_t at = s.find(sep, start);
    v.push_back(toInt(s.substr(start, at - start), line));
    if (at == std::string::npos) break;
    start = at + 1;
  }
  if (v.size() != count) fail(line, "expected " + std::to_string(count) + " numbers: " + s);
  return v;
}

}  // namespace

Layout parseLayout(std::string_view text) {
  Layout layout;
  int lineNo = 0;
  size_t pos = 0;
  while (pos <= text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    size_t first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos || line[first] == '#') {
      if (end == text.size()) break;
      continue;
    }
    auto fields = splitFields(line, lineNo);
    const std::string& what = fields[0].key;
    if (fields.size() < 2 || !fields[1].value.empty()) fail(lineNo, "expected a name after " + what);
    const std::string& name = fields[1].key;
    if (what == "form") {
      layout.formName = name;
      for (size_t i = 2; i < fields.size(); ++i) {
        const auto& f = fields[i];
        if (f.key == "class") {
          layout.formClass = f.value;
        } else if (f.key == "client") {
          auto v = toInts(f.value, 'x', 2, lineNo);
          layout.clientWidth = v[0];
          layout.clientHeight = v[1];
        } else if (f.key == "outer") {
          auto v = toInts(f.value, 'x', 2, lineNo);
          layout.outerWidth = v[0];
          layout.outerHeight = v[1];
        } else if (f.key == "font") {
          layout.font = f.value;
        } else {
          layout.props[f.key] = f.value;
        }
      }
    } else if (what == "font") {
      LayoutFont font;
      font.name = name;
      for (size_t i = 2; i < fields.size(); ++i) {
        const auto& f = fields[i];
        if (f.key == "face") {
          font.face = f.value;
        } else if (f.key == "fallback") {
          font.fallbacks.push_back(f.value);
        } else if (f.key == "height") {
          font.height = toInt(f.value, lineNo);
        } else if (f.key == "bold") {
          font.bold = true;
        } else if (f.key == "color") {
          auto v = toInts(f.value, ',', 3, lineNo);
          font.red = v[0];
          font.green = v[1];
          font.blue = v[2];
        } else {
          fail(lineNo, "unknown font setting " + f.key);
        }
      }
      layout.fonts.push_back(std::move(font));
    } else if (what == "control") {
      LayoutControl c;
      c.name = name;
      for (size_t i = 2; i < fields.size(); ++i) {
        const auto& f = fields[i];
        if (f.key == "kind") {
          c.kind = f.value;
        } else if (f.key == "parent") {
          c.parent = f.value;
        } else if (f.key == "bounds") {
          auto v = toInts(f.value, ',', 4, lineNo);
          c.left = v[0];
          c.top = v[1];
          c.width = v[2];
          c.height = v[3];
        } else if (f.key == "text") {
          c.text = f.value;
        } else if (f.key == "font") {
          c.font = f.value;
        } else if (f.key == "cursor") {
          c.cursor = f.value;
        } else if (f.key == "taborder") {
          c.tabOrder = toInt(f.value, lineNo);
        } else if (f.key == "item") {
          c.items.push_back(f.value);
        } else {
          c.props[f.key] = f.value;
        }
      }
      if (c.kind.empty()) fail(lineNo, "control " + name + " has no kind");
      if (c.parent.empty()) c.parent = layout.formName;
      layout.controls.push_back(std::move(c));
    } else {
      fail(lineNo, "unknown entry " + what);
    }
    if (end == text.size()) break;
  }
  if (layout.formName.empty()) throw std::runtime_error("layout has no form");
  return layout;
}

const Layout& windowLayout(const std::string& name) {
  static std::mutex lock;
  static std::map<std::string, Layout> cache;
  std::lock_guard guard(lock);
  auto it = cache.find(name);
  if (it != cache.end()) return it->second;
  std::string_view text = embeddedResource(name + ".layout");
  if (text.empty()) throw std::runtime_error("no layout named " + name);
  return cache.emplace(name, parseLayout(text)).first->second;
}
