// What the Win32 backend draws for the controls it draws itself: the picture buttons' glyphs,
// the indicator and the file list's items, drawn into a bitmap of the test's own.
#include <cstring>

#include "EmbeddedResources.h"
#include "Win32BackendFixture.h"

namespace {

// A 24-bit bitmap resource read pixel by pixel.
class Picture {
public:
  explicit Picture(const std::string& name) : bytes_(embeddedResource(name)) {
    BITMAPFILEHEADER file;
    BITMAPINFOHEADER info;
    std::memcpy(&file, bytes_.data(), sizeof file);
    std::memcpy(&info, bytes_.data() + sizeof file, sizeof info);
    offset_ = file.bfOffBits;
    width = info.biWidth;
    height = info.biHeight;
    stride_ = (width * 3 + 3) / 4 * 4;
  }
  COLORREF at(int x, int y) const {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes_.data()) + offset_ +
                    static_cast<size_t>((height - 1 - y) * stride_ + x * 3);
    return RGB(p[2], p[1], p[0]);
  }
  int width = 0, height = 0;

private:
  std::string_view bytes_;
  size_t offset_ = 0;
  int stride_ = 0;
};

// A 32-bit bitmap to draw into.
class Canvas {
public:
  Canvas(int width, int height) : dc(CreateCompatibleDC(nullptr)) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    old_ = SelectObject(dc, bitmap_);
    RECT all{0, 0, width, height};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  }
  ~Canvas() {
    SelectObject(dc, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc);
  }
  COLORREF at(int x, int y) const { return GetPixel(dc, x, y); }
  HDC dc;

private:
  HBITMAP bitmap_;
  HGDIOBJ old_;
};

int darkest(const Canvas& canvas, int left, int right, int height) {
  int least = 255 * 3;
  for (int y = 0; y < height; ++y)
    for (int x = left; x < right; ++x) {
      const COLORREF c = canvas.at(x, y);
      least = std::min(least, GetRValue(c) + GetGValue(c) + GetBValue(c));
    }
  return least;
}

class Win32BackendDrawing : public Win32BackendTest {
protected:
  // Asks the window to draw one control (or one list item) into the canvas.
  void draw(HWND control, UINT type, UINT item, UINT state, const RECT& r, HDC dc) {
    DRAWITEMSTRUCT d{type, static_cast<UINT>(GetDlgCtrlID(control)), item, ODA_DRAWENTIRE,
                     state, control, dc, r, 0};
    SendMessageA(GetParent(control), WM_DRAWITEM, d.CtlID, reinterpret_cast<LPARAM>(&d));
  }
};

// The glyph unscaled and centred (the halves of an overhang rounded toward zero); its
// bottom-left pixel's colour, wherever it occurs, lets the button face show through.
TEST_F(Win32BackendDrawing, GlyphsAreCentredWithTheirGroundTransparent) {
  for (const char* name : {"SpeedButton1", "SpeedButton2"}) {
    SCOPED_TRACE(name);
    const Picture glyph(main.Control<TSpeedButton>(name)->Glyph());
    Canvas canvas(24, 24);
    draw(hwnd(name), ODT_BUTTON, 0, 0, {0, 0, 24, 24}, canvas.dc);
    const int dx = (24 - glyph.width) / 2;
    const int dy = (24 - glyph.height) / 2;
    const COLORREF ground = glyph.at(0, glyph.height - 1);
    int glyphPixels = 0, mismatches = 0;
    for (int y = 0; y < 24; ++y)
      for (int x = 0; x < 24; ++x) {
        const int gx = x - dx, gy = y - dy;
        COLORREF expected = Win32Backend::kFace;
        if (gx >= 0 && gy >= 0 && gx < glyph.width && gy < glyph.height && glyph.at(gx, gy) != ground) {
          expected = glyph.at(gx, gy);
          ++glyphPixels;
        }
        if (canvas.at(x, y) != expected && ++mismatches <= 3)
          ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex << canvas.at(x, y)
                        << " instead of " << expected;
      }
    EXPECT_GT(glyphPixels, 100) << "the picture shows";
    EXPECT_EQ(mismatches, 0);
  }
}

TEST_F(Win32BackendDrawing, TheIndicatorIsDrawnOpaqueAndUnscaledFromItsTopLeft) {
  const Picture lamp(main.Control<TImage>("Image1")->Picture());
  Canvas canvas(17, 17);
  draw(hwnd("Image1"), ODT_STATIC, 0, 0, {0, 0, 17, 17}, canvas.dc);
  int mismatches = 0;
  for (int y = 0; y < 17; ++y)
    for (int x = 0; x < 17; ++x) mismatches += canvas.at(x, y) != lamp.at(x, y);
  EXPECT_EQ(mismatches, 0);
}

TEST_F(Win32BackendDrawing, LockedItemsAreGreyedAndTheSelectionTakesTheAccent) {
  fillList();
  HWND view = hwnd("CheckListBox1");
  RECT client;
  GetClientRect(view, &client);
  const int width = client.right;
  struct Case {
    int item;
    UINT state;
    bool grey;
  } cases[] = {{0, 0, true}, {1, 0, false}, {0, ODS_SELECTED, true}, {1, ODS_SELECTED, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "item " << c.item << " state " << c.state);
    Canvas canvas(width, 13);
    draw(view, ODT_LISTBOX, static_cast<UINT>(c.item), c.state, {0, 0, width, 13}, canvas.dc);
    const int ink = darkest(canvas, 17, width - 2, 13);
    if (c.state & ODS_SELECTED) {
      EXPECT_EQ(canvas.at(width - 3, 6), RGB(0x4A, 0x51, 0xA6)) << "the accent behind the text";
      EXPECT_NE(canvas.at(1, 6), RGB(0x4A, 0x51, 0xA6)) << "not behind the tick box";
      continue;
    }
    if (c.grey) {
      EXPECT_GT(ink, 3 * 90) << "greyed text has no dark pixel";
    } else {
      EXPECT_LT(ink, 3 * 60) << "ordinary text is dark";
    }
    // A tick box stands in the first column either way.
    EXPECT_LT(darkest(canvas, 2, 13, 12), 3 * 200);
  }
}

}  // namespace
