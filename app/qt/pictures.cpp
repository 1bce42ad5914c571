#include "pictures.h"

namespace k5::app {

QPixmap ReadPackPicture() { return QPixmap(":/k5/read_pack.png"); }

QPixmap ProgramPicture() { return QPixmap(":/k5/program.png"); }

}  // namespace k5::app
