#pragma once
// Decodes a JPEG held in memory with libjpeg.
#include <QImage>
#include <cstddef>

// Returns the picture as QImage::Format_RGB888 (grey pictures are widened to RGB), or a null
// image when the data is not a complete, sound JPEG. Never prints and never ends the program.
QImage DecodeJpeg(const unsigned char* data, std::size_t size);
