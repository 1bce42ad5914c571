// Registering a window class of the Win32 view, once per class.
#pragma once

#include "gui_api.h"
#include "resource_ids.h"

namespace k5::app::win32 {

// A top-level window class with the program's icon and the dialog face's background.
inline ATOM RegisterTopLevelClass(const wchar_t* name, WNDPROC procedure) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(K5_ICON));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = name;
    return RegisterClassExW(&windowClass);
}

}  // namespace k5::app::win32
