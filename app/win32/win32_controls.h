// Making the windows' controls: one child window of a standard class, shown with
// its parent unless the style leaves WS_VISIBLE out, placed and sized later.
#pragma once

#include <windows.h>

#include <string>

#include "win32_text.h"

namespace k5::app::win32 {

inline HWND MakeChild(HWND parent, const wchar_t* windowClass, const std::string& text, DWORD style,
                      int id = 0, DWORD exStyle = 0) {
    return CreateWindowExW(exStyle, windowClass, Widen(text).c_str(), WS_CHILD | style, 0, 0, 0, 0, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                           nullptr);
}

}  // namespace k5::app::win32
