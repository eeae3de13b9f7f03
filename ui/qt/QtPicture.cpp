#include "assets/Pictures.h"
#include "ui/qt/QtControls.h"

namespace ui::qt {

QtPicture::QtPicture(QWidget* parent, const wizard::layout::Component& c)
    : picture_(new QLabel(parent)) {
  const bool connection = c.art == wizard::layout::Art::Connection;
  Place(picture_, c);
  picture_->setScaledContents(false);
  picture_->setAlignment(connection ? Qt::AlignLeft | Qt::AlignTop : Qt::AlignCenter);
  picture_->setPixmap(QPixmap::fromImage(connection ? ConnectionPicture() : BannerPicture()));
  if (connection) {
    // No mouse input (disabled in the layout; a disabled QLabel would draw its pixmap greyed, so
    // it is made transparent to the mouse instead), and under the text lines and the list.
    picture_->setAttribute(Qt::WA_TransparentForMouseEvents);
    picture_->setAttribute(Qt::WA_TranslucentBackground);
    picture_->lower();
  }
}

void QtPicture::SetVisible(bool visible) {
  picture_->setVisible(visible);
}

int QtPicture::Width() const {
  return picture_->width();
}

void QtPicture::SetWidth(int width) {
  picture_->resize(width, picture_->height());
}

}  // namespace ui::qt
