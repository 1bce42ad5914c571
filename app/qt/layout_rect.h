// A box of window_layout.h as Qt's rectangle.
#pragma once

#include <QRect>

#include "window_layout.h"

namespace k5::app {

inline QRect Rect(const layout::Box& box) { return QRect(box.x, box.y, box.width, box.height); }

}  // namespace k5::app
