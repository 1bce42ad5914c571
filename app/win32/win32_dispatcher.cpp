#include "win32_dispatcher.h"

#include <utility>

namespace k5::app::win32 {
namespace {

constexpr UINT kRunQueued = WM_APP + 1;
constexpr wchar_t kClassName[] = L"K5Dispatcher";

void RegisterClassOnce() {
    static const ATOM atom = [] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = kClassName;
        return RegisterClassExW(&windowClass);
    }();
    (void)atom;
}

}  // namespace

Win32Dispatcher::Win32Dispatcher() {
    RegisterClassOnce();
    window_ = CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowProc));
}

Win32Dispatcher::~Win32Dispatcher() {
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
        queue_.clear();
    }
    DestroyWindow(window_);
}

bool Win32Dispatcher::Post(std::function<void()> task) {
    std::lock_guard lock(mutex_);
    if (closed_ || window_ == nullptr) return false;
    queue_.push_back(std::move(task));
    // One wake-up message covers everything queued until it is handled.
    if (!wakePending_) {
        wakePending_ = PostMessageW(window_, kRunQueued, 0, 0) != FALSE;
        if (!wakePending_) {
            queue_.pop_back();
            return false;
        }
    }
    return true;
}

void Win32Dispatcher::RunQueued() {
    // One task per wake-up: a task that opens a modal loop (a message box)
    // lets the next ones run from that loop, still in order.
    std::function<void()> task;
    {
        std::lock_guard lock(mutex_);
        wakePending_ = false;
        if (queue_.empty()) return;
        task = std::move(queue_.front());
        queue_.pop_front();
        if (!queue_.empty()) wakePending_ = PostMessageW(window_, kRunQueued, 0, 0) != FALSE;
    }
    task();
}

LRESULT CALLBACK Win32Dispatcher::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kRunQueued) {
        if (auto* self = reinterpret_cast<Win32Dispatcher*>(GetWindowLongPtrW(window, GWLP_USERDATA))) {
            self->RunQueued();
        }
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace k5::app::win32
