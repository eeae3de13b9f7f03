#include "assets/Pictures.h"

#include <QPixmap>
#include <cstddef>

#include "assets/EmbeddedPictures.h"

namespace {

QImage DecodePng(const unsigned char* data, std::size_t size) {
  return QImage::fromData(data, static_cast<int>(size), "PNG");
}

}  // namespace

namespace ep = embedded_pictures;

QImage BannerPicture() {
  return DecodeJpeg(ep::banner_jpg, ep::banner_jpg_size);
}

QImage ConnectionPicture() {
  return DecodeJpeg(ep::connection_jpg, ep::connection_jpg_size);
}

QImage AboutBannerPicture() {
  return DecodeJpeg(ep::about_banner_jpg, ep::about_banner_jpg_size);
}

QImage IconPicture() {
  return DecodePng(ep::icon_png, ep::icon_png_size);
}

QIcon AppIcon() {
  QIcon icon;
  icon.addPixmap(QPixmap::fromImage(IconPicture()));
  icon.addPixmap(QPixmap::fromImage(DecodePng(ep::icon_256_png, ep::icon_256_png_size)));
  return icon;
}
