#include "ui/win32/Pictures.h"

#include <wincodec.h>

#include <cstdlib>

#include "ui/win32/Resources.h"

namespace ui::win32 {

namespace {

// Holds one COM reference.
template <typename T>
class Com {
 public:
  Com() = default;
  ~Com() {
    if (p_ != nullptr) p_->Release();
  }
  Com(const Com&) = delete;
  Com& operator=(const Com&) = delete;
  T* operator->() const { return p_; }
  T* get() const { return p_; }
  T** out() { return &p_; }

 private:
  T* p_ = nullptr;
};

// COM for the decoding, on whichever thread asks: joined when the thread has it already.
class ComScope {
 public:
  ComScope() : initialised_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~ComScope() {
    if (initialised_) CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

 private:
  bool initialised_;
};

HBITMAP DecodeResource(int id) {
  std::size_t size = 0;
  const void* data = ResourceBytes(id, &size);
  return data != nullptr ? DecodePicture(data, size) : nullptr;
}

// The wizard's pictures are drawn on a flat grey meant to be the window's own (the controls that
// showed them were transparent), but the button face differs from one system to the next. Pixels
// of that background colour (the picture's bottom-left pixel, give or take what the JPEG
// compression changed) take the system's button-face colour.
void ShowBackgroundAsButtonFace(HBITMAP bitmap) {
  DIBSECTION dib{};
  if (GetObjectW(bitmap, sizeof dib, &dib) != sizeof dib || dib.dsBm.bmBits == nullptr ||
      dib.dsBm.bmBitsPixel != 32)
    return;
  GdiFlush();
  auto* pixels = static_cast<std::uint32_t*>(dib.dsBm.bmBits);
  const int width = dib.dsBm.bmWidth, height = dib.dsBm.bmHeight;
  const std::uint32_t key = pixels[static_cast<std::size_t>(height - 1) * width];
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  const std::uint32_t faceBgr = (GetRValue(face) << 16) | (GetGValue(face) << 8) | GetBValue(face);
  constexpr int kTolerance = 6;
  auto isBackground = [&](std::uint32_t pixel) {
    for (int shift = 0; shift <= 16; shift += 8) {
      const int a = static_cast<int>((pixel >> shift) & 0xFF);
      const int b = static_cast<int>((key >> shift) & 0xFF);
      if (std::abs(a - b) > kTolerance) return false;
    }
    return true;
  };
  for (std::size_t i = 0; i < static_cast<std::size_t>(width) * height; ++i)
    if (isBackground(pixels[i])) pixels[i] = faceBgr;
}

}  // namespace

const void* ResourceBytes(int id, std::size_t* size) {
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10));  // RT_RCDATA
  if (found == nullptr) return nullptr;
  HGLOBAL loaded = LoadResource(module, found);
  if (loaded == nullptr) return nullptr;
  *size = SizeofResource(module, found);
  return LockResource(loaded);
}

HBITMAP DecodePicture(const void* data, std::size_t size) {
  const ComScope com;
  Com<IWICImagingFactory> factory;
  Com<IWICStream> stream;
  Com<IWICBitmapDecoder> decoder;
  Com<IWICBitmapFrameDecode> frame;
  Com<IWICBitmapSource> bgr;
  UINT width = 0, height = 0;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                              IID_IWICImagingFactory, reinterpret_cast<void**>(factory.out()))) ||
      FAILED(factory->CreateStream(stream.out())) ||
      FAILED(stream->InitializeFromMemory(static_cast<BYTE*>(const_cast<void*>(data)),
                                          static_cast<DWORD>(size))) ||
      FAILED(factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnLoad,
                                              decoder.out())) ||
      FAILED(decoder->GetFrame(0, frame.out())) ||
      FAILED(WICConvertBitmapSource(GUID_WICPixelFormat32bppBGR, frame.get(), bgr.out())) ||
      FAILED(bgr->GetSize(&width, &height)) || width == 0 || height == 0)
    return nullptr;

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = static_cast<LONG>(width);
  info.bmiHeader.biHeight = -static_cast<LONG>(height);  // top-down, as WIC hands the rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap == nullptr) return nullptr;
  const UINT stride = width * 4;
  if (FAILED(bgr->CopyPixels(nullptr, stride, stride * height, static_cast<BYTE*>(bits)))) {
    DeleteObject(bitmap);
    return nullptr;
  }
  return bitmap;
}

HBITMAP BannerBitmap() {
  static const HBITMAP bitmap = [] {
    HBITMAP decoded = DecodeResource(ORB42_IDR_BANNER);
    if (decoded != nullptr) ShowBackgroundAsButtonFace(decoded);
    return decoded;
  }();
  return bitmap;
}

HBITMAP ConnectionBitmap() {
  static const HBITMAP bitmap = [] {
    HBITMAP decoded = DecodeResource(ORB42_IDR_CONNECTION);
    if (decoded != nullptr) ShowBackgroundAsButtonFace(decoded);
    return decoded;
  }();
  return bitmap;
}

HBITMAP AboutBannerBitmap() {
  static const HBITMAP bitmap = DecodeResource(ORB42_IDR_ABOUT_BANNER);
  return bitmap;
}

// LR_SHARED: the system keeps the icon for the program's life.
HICON ProgramIcon(int pixels) {
  return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr),
                                       MAKEINTRESOURCEW(ORB42_IDI_PROGRAM), IMAGE_ICON, pixels,
                                       pixels, LR_DEFAULTCOLOR | LR_SHARED));
}

}  // namespace ui::win32
