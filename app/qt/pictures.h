// The toolbar's two pictures, 24 x 24, from the same files the Win32 view uses.
#pragma once

#include <QPixmap>

namespace k5::app {

// A yellow folder with a green arrow pointing into it.
QPixmap ReadPackPicture();
// A green round button with a white downward arrow.
QPixmap ProgramPicture();

}  // namespace k5::app
