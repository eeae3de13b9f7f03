#include "ui/win32/Fonts.h"

#include <map>
#include <memory>
#include <tuple>

namespace ui::win32 {

namespace {

int CALLBACK NoteFace(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;  // one is enough
}

bool FaceInstalled(const wchar_t* face) {
  LOGFONTW wanted{};
  wanted.lfCharSet = DEFAULT_CHARSET;
  wcsncpy(wanted.lfFaceName, face, LF_FACESIZE - 1);
  bool found = false;
  HDC dc = GetDC(nullptr);
  EnumFontFamiliesExW(dc, &wanted, NoteFace, reinterpret_cast<LPARAM>(&found), 0);
  ReleaseDC(nullptr, dc);
  return found;
}

struct FontDeleter {
  void operator()(HFONT font) const { DeleteObject(font); }
};
using FontKey = std::tuple<int, wizard::FontStyle, bool>;

std::map<FontKey, std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter>>& Fonts() {
  static std::map<FontKey, std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter>> fonts;
  return fonts;
}

// Whether the face draws italic when asked: Windows makes italic and bold from its raster fonts,
// Wine does not, and its "MS Sans Serif" would show the wizard's italic remark upright.
bool DrawsItalic(const wchar_t* face) {
  HFONT font =
      CreateFontW(-13, 0, 0, 0, FW_NORMAL, TRUE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                  CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, face);
  HDC dc = GetDC(nullptr);
  const HGDIOBJ old = SelectObject(dc, font);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  DeleteObject(font);
  return metrics.tmItalic != 0;
}

}  // namespace

const std::wstring& WizardFontFace() {
  static const std::wstring face = FaceInstalled(L"MS Sans Serif") && DrawsItalic(L"MS Sans Serif")
                                       ? L"MS Sans Serif"
                                       : L"Microsoft Sans Serif";
  return face;
}

HFONT WizardFont(int pixels, wizard::FontStyle style, bool underline) {
  auto& fonts = Fonts();
  const FontKey key{pixels, style, underline};
  auto it = fonts.find(key);
  if (it == fonts.end()) {
    // A negative height asks for the characters' height, as the layout gives it.
    HFONT font = CreateFontW(
        -pixels, 0, 0, 0, style == wizard::FontStyle::Bold ? FW_BOLD : FW_NORMAL,
        style == wizard::FontStyle::Italic, underline, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
        CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, WizardFontFace().c_str());
    it = fonts.emplace(key, font).first;
  }
  return it->second.get();
}

int TextWidthIn(HFONT font, const std::wstring& text) {
  HDC dc = GetDC(nullptr);
  const HGDIOBJ old = SelectObject(dc, font);
  SIZE size{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return static_cast<int>(size.cx);
}

}  // namespace ui::win32
