#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

// A window's layout as data: the form, the fonts it names and every control with its geometry,
// texts, font, cursor and tab order. Backends draw from it; no geometry is written in code.
struct LayoutFont {
  std::string name;   // the role the controls refer to: "window", "heading", "control"
  std::string face;   // first choice of face
  std::vector<std::string> fallbacks;  // faces of close metrics, tried in order
  int height = 11;    // character height in pixels at 96 dpi
  bool bold = false;
  int red = -1, green = -1, blue = -1;  // -1: the system's window-text colour
};

struct LayoutControl {
  std::string name;
  std::string kind;    // TLabel, TButton, ...
  std::string parent;  // the form's name or a group's name
  int left = 0, top = 0, width = 0, height = 0;  // in the parent's client coordinates
  std::string text;
  std::string font;
  std::string cursor = "default";  // "default" or "handpoint"
  int tabOrder = -1;               // -1: not a tab stop
  std::vector<std::string> items;
  std::map<std::string, std::string> props;  // kind-specific settings (glyph, checked, ...)

  std::string prop(const std::string& key, const std::string& fallback = {}) const;
};

struct Layout {
  std::string formName;
  std::string formClass;
  std::map<std::string, std::string> props;  // caption, border, position, icon, ...
  int clientWidth = 0, clientHeight = 0;     // set when the client area is given
  int outerWidth = 0, outerHeight = 0;       // set when the size includes the frame
  std::string font;
  std::vector<LayoutFont> fonts;
  std::vector<LayoutControl> controls;

  std::string prop(const std::string& key, const std::string& fallback = {}) const;
  const LayoutFont* findFont(const std::string& name) const;
  const LayoutControl* findControl(const std::string& name) const;
};

// Parses the layout text. Throws std::runtime_error naming the line on a malformed line.
Layout parseLayout(std::string_view text);

// The layout of a window carried in the program's resources ("Main", "NewLibName").
const Layout& windowLayout(const std::string& name);
