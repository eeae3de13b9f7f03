#include "assets/Pictures.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QGuiApplication>
#include <QImageWriter>
#include <QSet>
#include <vector>

#include "assets/EmbeddedPictures.h"

namespace {

// The grey Qt paints windows with; the opaque JPEGs stand in for transparent controls.
bool IsNearWindowGrey(QRgb pixel) {
  return qAbs(qRed(pixel) - 239) <= 4 && qAbs(qGreen(pixel) - 239) <= 4 &&
         qAbs(qBlue(pixel) - 239) <= 4;
}

}  // namespace

TEST(Pictures, EmbeddedPicturesDecodeAtTheirLaidOutSizes) {
  struct Case {
    const char* name;
    QImage image;
    QSize size;
  } cases[] = {{"banner", BannerPicture(), {330, 53}},
               {"connection", ConnectionPicture(), {362, 193}},
               {"about banner", AboutBannerPicture(), {441, 41}}};
  for (const auto& c : cases) {
    EXPECT_EQ(c.image.size(), c.size) << c.name;
    EXPECT_EQ(c.image.format(), QImage::Format_RGB888) << c.name;
  }
  // Their corners blend into the window around them.
  EXPECT_TRUE(IsNearWindowGrey(BannerPicture().pixel(0, 0)));
  EXPECT_TRUE(IsNearWindowGrey(ConnectionPicture().pixel(361, 192)));
}

TEST(Pictures, DecoderAgreesWithQtsOwnJpegReader) {
  // Catches swapped channels, wrong row strides and rows out of order.
  const QImage ours = ConnectionPicture();
  const QImage theirs =
      QImage::fromData(embedded_pictures::connection_jpg,
                       static_cast<int>(embedded_pictures::connection_jpg_size), "JPG");
  if (theirs.isNull()) GTEST_SKIP() << "Qt has no JPEG reader here";
  ASSERT_EQ(ours.size(), theirs.size());
  int worst = 0;
  for (int y = 0; y < ours.height(); ++y)
    for (int x = 0; x < ours.width(); ++x) {
      const QRgb a = ours.pixel(x, y), b = theirs.pixel(x, y);
      worst = std::max(
          {worst, qAbs(qRed(a) - qRed(b)), qAbs(qGreen(a) - qGreen(b)), qAbs(qBlue(a) - qBlue(b))});
    }
  EXPECT_LE(worst, 2);
}

TEST(Pictures, GreyJpegIsWidenedToRgb) {
  QImage grey(16, 8, QImage::Format_Grayscale8);
  grey.fill(100);
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  if (!QImageWriter(&buffer, "JPG").write(grey)) GTEST_SKIP() << "Qt has no JPEG writer here";
  const QByteArray& bytes = buffer.data();
  const QImage image =
      DecodeJpeg(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
  ASSERT_EQ(image.size(), QSize(16, 8));
  EXPECT_EQ(image.format(), QImage::Format_RGB888);
  const QRgb pixel = image.pixel(7, 3);
  EXPECT_NEAR(qRed(pixel), 100, 2);
  EXPECT_EQ(qRed(pixel), qGreen(pixel));
  EXPECT_EQ(qRed(pixel), qBlue(pixel));
}

TEST(Pictures, DamagedJpegGivesNullImageWithoutEndingTheProgram) {
  const std::vector<unsigned char> whole(
      embedded_pictures::banner_jpg,
      embedded_pictures::banner_jpg + embedded_pictures::banner_jpg_size);
  std::vector<unsigned char> scrambled_header = whole;
  for (std::size_t i = 2; i < 40; ++i) scrambled_header[i] ^= 0x5A;
  struct Case {
    const char* name;
    std::vector<unsigned char> data;
  } cases[] = {
      {"empty", {}},
      {"start marker only", {whole.begin(), whole.begin() + 2}},
      {"header without picture data", {whole.begin(), whole.begin() + 600}},
      {"cut in the middle", {whole.begin(), whole.begin() + whole.size() / 2}},
      {"end marker missing", {whole.begin(), whole.end() - 2}},
      {"scrambled header", scrambled_header},
      {"a PNG",
       {embedded_pictures::icon_png,
        embedded_pictures::icon_png + embedded_pictures::icon_png_size}},
  };
  for (const auto& c : cases)
    EXPECT_TRUE(DecodeJpeg(c.data.data(), c.data.size()).isNull()) << c.name;
  EXPECT_TRUE(DecodeJpeg(nullptr, 100).isNull());
  // A failure leaves nothing behind that spoils the next decode.
  EXPECT_FALSE(DecodeJpeg(whole.data(), whole.size()).isNull());
}

TEST(Pictures, IconIs32By32WithAtMost16Colours) {
  const QImage icon = IconPicture();
  ASSERT_EQ(icon.size(), QSize(32, 32));
  QSet<QRgb> colours;
  for (int y = 0; y < icon.height(); ++y)
    for (int x = 0; x < icon.width(); ++x) colours.insert(icon.pixel(x, y));
  EXPECT_LE(colours.size(), 16);
  EXPECT_GE(colours.size(), 4);            // not blank
  EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0);  // the corners show the desktop

  int argc = 1;
  char name[] = "pictures_test";
  char* argv[] = {name, nullptr};
  QGuiApplication app(argc, argv);
  const QList<QSize> sizes = AppIcon().availableSizes();
  EXPECT_TRUE(sizes.contains(QSize(32, 32)));
  EXPECT_TRUE(sizes.contains(QSize(256, 256)));
}
