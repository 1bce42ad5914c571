// Resource numbers of the Win32 desktop program (shared by the .rc file and the code).
#pragma once

#define K5_ICON 1
#define K5_LOGO_JPEG 101
#define K5_READ_PACK_PNG 102
#define K5_PROGRAM_PNG 103
