// The pictures the program draws for itself: the two toolbar buttons.
#pragma once

#include <QPixmap>

namespace k5::app {

// A yellow folder with a green arrow pointing into it, 24 x 24.
QPixmap ReadPackPicture();
// A green round button with a white downward arrow, 24 x 24.
QPixmap ProgramPicture();

}  // namespace k5::app
