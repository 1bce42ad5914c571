// The Win32 view's window classes: registering one, and finding a window's object.
#pragma once

#include "gui_api.h"
#include "resource_ids.h"
#include "win32_prompts.h"

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

// A child window class of ours, drawn by its own procedure on `background` (null: none).
inline ATOM RegisterChildClass(const wchar_t* name, WNDPROC procedure, HBRUSH background = nullptr) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = background;
    windowClass.lpszClassName = name;
    return RegisterClassExW(&windowClass);
}

// The object a window belongs to, or null: set as the window is made (the last
// argument of CreateWindowEx), kept in its user data and its `handle` member.
template <typename T>
T* WindowObject(HWND window, UINT message, LPARAM lParam, HWND T::*handle) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<T*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->*handle = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<T*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    return self != nullptr && self->*handle == window ? self : nullptr;
}

// A top-level window's procedure: the message goes to its object's `onMessage`, and what
// a handler throws goes to the default error box, for no exception may cross a window
// procedure. The object's members are named by the class's own procedure.
template <typename T>
LRESULT ObjectWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, HWND T::*handle,
                         LRESULT (T::*onMessage)(UINT, WPARAM, LPARAM), Win32Prompts& (T::*prompts)()) {
    T* self = WindowObject(window, message, lParam, handle);
    if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    LRESULT result = 0;
    RunHandler((self->*prompts)(), window, [&] { result = (self->*onMessage)(message, wParam, lParam); });
    return result;
}

}  // namespace k5::app::win32
