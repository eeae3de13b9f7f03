#pragma once
// The pictures and the icon the program carries as resources. The JPEGs are decoded by Windows
// itself (the Windows Imaging Component), so the program ships no JPEG library. Each picture is
// decoded once, on first use, and lives as long as the program.
#include "ui/win32/Win32.h"
// After Win32.h.
#include <cstddef>

namespace ui::win32 {

// The maker's logo for the top of the wizard window: 330 x 53, its background the window's
// button-face colour.
HBITMAP BannerBitmap();
// The device joined by a cable to a PC tower: 362 x 193, its left half the device with the cable
// plugged in. It is drawn transparent: its background takes the window's button-face colour.
HBITMAP ConnectionBitmap();
// The maker's banner for the About dialog: 441 x 41.
HBITMAP AboutBannerBitmap();
// The program's icon at a size in pixels (the system's large icon is 32, the small one 16).
HICON ProgramIcon(int pixels);

// A JPEG (or any format the system decodes) as a top-down 32-bit DIB section; nullptr when it
// cannot be decoded. The caller owns the bitmap.
HBITMAP DecodePicture(const void* data, std::size_t size);
// The bytes of an RCDATA resource of the program, or nullptr.
const void* ResourceBytes(int id, std::size_t* size);

}  // namespace ui::win32
