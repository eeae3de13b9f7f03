#pragma once
// The pictures and the icon the program carries inside itself.
#include <QIcon>
#include <QImage>

#include "assets/JpegDecoder.h"

// The maker's logo for the top of the wizard window: 330 x 53.
QImage BannerPicture();
// The device joined by a cable to a PC tower: 362 x 193; its left half shows the device with
// the cable plugged in.
QImage ConnectionPicture();
// The maker's banner for the About dialog: 441 x 41.
QImage AboutBannerPicture();
// The program's icon, 32 x 32 with at most 16 colours.
QImage IconPicture();
// The window icon: the 32 x 32 picture plus a 256 x 256 one for large displays. Needs a
// QGuiApplication, as every QPixmap does.
QIcon AppIcon();
