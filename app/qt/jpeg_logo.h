// Decodes a baseline JPEG with libjpeg.
#pragma once

#include <QByteArray>
#include <QImage>

namespace k5::app {

// A null image when the data is not a JPEG libjpeg can decode.
QImage DecodeJpeg(const QByteArray& data);

}  // namespace k5::app
