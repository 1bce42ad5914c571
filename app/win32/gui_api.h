// <windows.h> and the common controls, as the Win32 view includes them.
#pragma once

// The serial component's names first: <windows.h> defines CE_* macros that would hide them.
#include "comm_types.h"
// clang-format off
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// windows.h first.
#include <commctrl.h>
#include <commdlg.h>
// clang-format on
