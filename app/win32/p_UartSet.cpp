#include "p_UartSet.h"

#include <cstddef>
#include <initializer_list>
#include <string>
#include <vector>

#include "device_names.h"
#include "translation.h"
#include "win32_controls.h"
#include "win32_text.h"
#include "window_layout.h"
#include "window_texts.h"

namespace k5::app::win32 {

TF_UartSet* F_UartSet = nullptr;

namespace {

enum ControlId : int { kPortBoxId = 100, kBaudBoxId, kSaveId, kExitId };

// An empty dialog: the controls are made in pixels once it exists.
struct alignas(4) EmptyDialogTemplate {
    DLGTEMPLATE header{};
    WORD menu = 0;
    WORD windowClass = 0;
    WORD title = 0;
};

// A drop-down list holding `entries`, the first one selected.
template <typename Entries>
HWND MakeDropDown(HWND parent, const Entries& entries, DWORD style, int id) {
    const HWND box =
        MakeChild(parent, L"COMBOBOX", "", style | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, id);
    for (const auto& entry : entries) {
        SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(entry).c_str()));
    }
    SendMessageW(box, CB_SETCURSEL, 0, 0);
    return box;
}

}  // namespace

TF_UartSet::TF_UartSet(const SettingsFile& settings, Win32Prompts& prompts, HWND centreOn)
    : prompts_(prompts), centreOn_(centreOn), model_(*this, settings, platform::PresentComPortsAbove9()) {}

void TF_UartSet::ShowModal() {
    EmptyDialogTemplate dialog;
    dialog.header.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    DialogBoxIndirectParamW(GetModuleHandleW(nullptr), &dialog.header, centreOn_, &TF_UartSet::DialogProc,
                            reinterpret_cast<LPARAM>(this));
    window_ = nullptr;
}

void TF_UartSet::CreateControls() {
    SetWindowTextW(window_, Widen(Tr(text::kPortDialogTitle)).c_str());
    GroupBox2 = MakeChild(window_, L"BUTTON", Tr(text::kPortGroup), WS_VISIBLE | BS_GROUPBOX, -1);
    Label1 = MakeChild(window_, L"STATIC", Tr(text::kPortLabel), WS_VISIBLE, -1);
    std::vector<std::string> ports;
    for (int n = 0; n < model_.PortEntryCount(); ++n) ports.push_back(model_.PortEntryText(n));
    ComboBox1 = MakeDropDown(window_, ports, WS_VISIBLE, kPortBoxId);
    // The baud box is there but hidden: the session always runs at 38400 baud.
    Label2 = MakeChild(window_, L"STATIC", Tr(text::kBaudLabel), 0, -1);
    ComboBox2 = MakeDropDown(window_, text::kBaudEntries, 0, kBaudBoxId);
    PortLine = MakeChild(window_, L"STATIC", "", WS_VISIBLE | SS_NOPREFIX, -1);
    // Save is the default button: Enter saves, unless the focus is on Exit.
    Button1 =
        MakeChild(window_, L"BUTTON", Tr(text::kSave), WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, kSaveId);
    Button2 =
        MakeChild(window_, L"BUTTON", Tr(text::kExit), WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, kExitId);
    SendMessageW(window_, DM_SETDEFID, kSaveId, 0);
    ApplyFonts(DpiOf(window_));
    LayOut();
    AddPortTips();
}

void TF_UartSet::AddPortTips() {
    tips_ = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                            CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
    if (tips_ == nullptr) return;
    COMBOBOXINFO box{};
    box.cbSize = sizeof box;
    portList_ = GetComboBoxInfo(ComboBox1, &box) ? box.hwndList : nullptr;
    for (HWND tool : {ComboBox1, portList_}) {
        if (tool == nullptr) continue;
        TTTOOLINFOW info{};
        info.cbSize = sizeof info;
        info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        info.hwnd = window_;
        info.uId = reinterpret_cast<UINT_PTR>(tool);
        info.lpszText = LPSTR_TEXTCALLBACKW;
        SendMessageW(tips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
    }
}

// The device of the entry under the mouse in the open list, else of the selected entry.
const wchar_t* TF_UartSet::PortTip(HWND tool) {
    int position = SelectedPort();
    if (tool == portList_) {
        POINT at{};
        GetCursorPos(&at);
        ScreenToClient(portList_, &at);
        const LRESULT hit = SendMessageW(portList_, LB_ITEMFROMPOINT, 0, MAKELPARAM(at.x, at.y));
        if (HIWORD(hit) == 0) position = LOWORD(hit);
    }
    tipText_ = position >= 0 ? Widen(model_.PortEntryDevice(position)) : std::wstring();
    return tipText_.c_str();
}

void TF_UartSet::ApplyFonts(UINT dpi) {
    // The controls use the old fonts until they are given the new ones below.
    const std::unique_ptr<Win32Fonts> previousFonts = std::move(fonts_);
    fonts_ = std::make_unique<Win32Fonts>(dpi);
    SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(fonts_->window), FALSE);
    for (HWND control : {GroupBox2, Label1, ComboBox1, Label2, ComboBox2, PortLine}) {
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(fonts_->ui), FALSE);
    }
    for (HWND control : {Button1, Button2}) {
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(fonts_->window), FALSE);
    }
}

void TF_UartSet::LayOut() {
    const UINT dpi = DpiOf(window_);
    const auto px = [dpi](int pixels) { return Scaled(pixels, dpi); };
    // Outer size as the dialog is specified; centred on the main window.
    RECT over{};
    if (centreOn_ != nullptr) {
        GetWindowRect(centreOn_, &over);
    } else {
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &over, 0);
    }
    const int width = px(layout::kDialogWidth);
    const int height = px(layout::kDialogHeight);
    SetWindowPos(window_, nullptr, (over.left + over.right - width) / 2,
                 (over.top + over.bottom - height) / 2, width, height, SWP_NOZORDER | SWP_NOACTIVATE);

    RECT client;
    GetClientRect(window_, &client);
    const auto boxes = layout::PortDialogLayout(client.right, client.bottom, px);
    const auto place = [](HWND control, const layout::Box& box) {
        MoveWindow(control, box.x, box.y, box.width, box.height, FALSE);
    };
    const auto placeDropDown = [&px](HWND control, const layout::Box& box) {
        MoveWindow(control, box.x, box.y, box.width, px(layout::kDropDownListHeight), FALSE);
    };
    place(GroupBox2, boxes.group);
    place(Label1, boxes.portLabel);
    placeDropDown(ComboBox1, boxes.portBox);
    place(Label2, boxes.baudLabel);
    placeDropDown(ComboBox2, boxes.baudBox);
    place(PortLine, boxes.portLine);
    place(Button1, boxes.save);
    place(Button2, boxes.exit);
    InvalidateRect(window_, nullptr, TRUE);
}

void TF_UartSet::FormShow() { model_.FormShow(); }

void TF_UartSet::Button1Click() { model_.Button1Click(); }

void TF_UartSet::Button2Click() { model_.Button2Click(); }

void TF_UartSet::SelectPort(int position) {
    SendMessageW(ComboBox1, CB_SETCURSEL, static_cast<WPARAM>(position), 0);
}

void TF_UartSet::SelectBaud(int position) {
    SendMessageW(ComboBox2, CB_SETCURSEL, static_cast<WPARAM>(position), 0);
}

int TF_UartSet::SelectedPort() const { return static_cast<int>(SendMessageW(ComboBox1, CB_GETCURSEL, 0, 0)); }

int TF_UartSet::SelectedBaud() const { return static_cast<int>(SendMessageW(ComboBox2, CB_GETCURSEL, 0, 0)); }

void TF_UartSet::ShowPortLine(const std::string& text) { SetWindowTextW(PortLine, Widen(text).c_str()); }

void TF_UartSet::CloseDialog(bool saved) {
    if (!saved) {
        EndDialog(window_, IDCANCEL);
    } else if (F_UartSet != nullptr && F_UartSet->window_ != nullptr) {
        EndDialog(F_UartSet->window_, IDOK);
    }
}

INT_PTR TF_UartSet::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case kSaveId:
                case IDOK:  // Enter, should the dialog manager name no default button
                    if (HIWORD(wParam) == BN_CLICKED)
                        RunHandler(prompts_, window_, [this] { Button1Click(); });
                    return TRUE;
                case kExitId:
                case IDCANCEL:  // Escape or the title bar's close box
                    RunHandler(prompts_, window_, [this] { Button2Click(); });
                    return TRUE;
                case kPortBoxId:
                    if (HIWORD(wParam) == CBN_SELCHANGE)
                        RunHandler(prompts_, window_, [this] { model_.PortSelectionChanged(); });
                    return TRUE;
                default:
                    return FALSE;
            }
        case WM_NOTIFY: {
            auto* tip = reinterpret_cast<NMTTDISPINFOW*>(lParam);
            if (tip->hdr.code != TTN_GETDISPINFOW) return FALSE;
            tip->lpszText = const_cast<wchar_t*>(PortTip(reinterpret_cast<HWND>(tip->hdr.idFrom)));
            return TRUE;
        }
        case WM_DPICHANGED:
            ApplyFonts(HIWORD(wParam));
            LayOut();
            return TRUE;
        default:
            return FALSE;
    }
}

INT_PTR CALLBACK TF_UartSet::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<TF_UartSet*>(lParam);
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        self->window_ = window;
        self->CreateControls();
        RunHandler(self->prompts_, window, [self] { self->FormShow(); });
        return TRUE;  // the focus goes to the port box, the first stop
    }
    auto* self = reinterpret_cast<TF_UartSet*>(GetWindowLongPtrW(window, DWLP_USER));
    return self != nullptr ? self->OnMessage(message, wParam, lParam) : FALSE;
}

}  // namespace k5::app::win32
