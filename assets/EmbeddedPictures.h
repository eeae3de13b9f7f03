#pragma once
// The raw bytes of the picture files, as the build embeds them (EmbedFile.cmake). Callers want
// Pictures.h; this is for the decoders and their tests.
#include <cstddef>

namespace embedded_pictures {
extern const unsigned char banner_jpg[];
extern const std::size_t banner_jpg_size;
extern const unsigned char connection_jpg[];
extern const std::size_t connection_jpg_size;
extern const unsigned char about_banner_jpg[];
extern const std::size_t about_banner_jpg_size;
extern const unsigned char icon_png[];
extern const std::size_t icon_png_size;
extern const unsigned char icon_256_png[];
extern const std::size_t icon_256_png_size;
}  // namespace embedded_pictures
