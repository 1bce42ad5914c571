#include "station_window.h"

#include <algorithm>

#include "port_listing.h"
#include "station_tile.h"
#include "win32_text.h"
#include "window_class.h"
#include "window_texts.h"
// clang-format off
#include <shlobj.h>
// clang-format on

namespace k5::app::win32 {
namespace {

constexpr wchar_t kClassName[] = L"K5StationWindow";
constexpr wchar_t kTileClassName[] = L"K5StationTile";
constexpr UINT_PTR kTickTimer = 1;

// Where things sit at 96 DPI.
constexpr int kMargin = 10;
constexpr int kClientWidth = 2 * style::kTileWidth + 3 * kMargin;
constexpr int kTilesTop = 214;
constexpr int kTileHeight = 164;
constexpr int kTileButtonWidth = 80;

enum class FontKind { Ui, UiBold };

HWND MakeChild(HWND parent, const wchar_t* windowClass, const std::string& text, DWORD style, int id = 0,
               DWORD exStyle = 0) {
    return CreateWindowExW(exStyle, windowClass, Widen(text).c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0, 0,
                           0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           GetModuleHandleW(nullptr), nullptr);
}

std::string KnownFolder(REFKNOWNFOLDERID id) {
    PWSTR path = nullptr;
    std::string folder;
    if (SUCCEEDED(SHGetKnownFolderPath(id, 0, nullptr, &path))) folder = Narrow(path);
    CoTaskMemFree(path);
    return folder;
}

}  // namespace

StationTileWindow::StationTileWindow(HWND parent, const Win32Fonts& fonts, int programId) : fonts_(fonts) {
    static const ATOM atom = RegisterChildClass(kTileClassName, &StationTileWindow::WindowProc,
                                                static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    (void)atom;
    window_ = CreateWindowExW(0, kTileClassName, L"", WS_CHILD | WS_VISIBLE | WS_BORDER | WS_CLIPCHILDREN, 0,
                              0, 0, 0, parent, nullptr, GetModuleHandleW(nullptr), this);
    gauge_ = std::make_unique<Win32Gauge>(window_);
    gauge_->SetFont(fonts_.ui);
    program_ = MakeChild(window_, L"BUTTON", text::kTileProgram, WS_TABSTOP | BS_PUSHBUTTON | WS_DISABLED,
                         programId);
    SendMessageW(program_, WM_SETFONT, reinterpret_cast<WPARAM>(fonts_.ui), FALSE);
}

StationTileWindow::~StationTileWindow() {
    gauge_.reset();
    if (window_ != nullptr) DestroyWindow(window_);
}

void StationTileWindow::Place(int x, int y, UINT dpi) {
    dpi_ = dpi;
    const auto px = [dpi](int pixels) { return Scaled(pixels, dpi); };
    MoveWindow(window_, px(x), px(y), px(style::kTileWidth), px(kTileHeight), TRUE);
    MoveWindow(gauge_->Handle(), px(kMargin), px(66), px(style::kTileWidth - 2 * kMargin), px(20), TRUE);
    gauge_->SetFont(fonts_.ui);
    MoveWindow(program_, px(style::kTileWidth - kMargin - kTileButtonWidth), px(kTileHeight - 32),
               px(kTileButtonWidth), px(26), TRUE);
    SendMessageW(program_, WM_SETFONT, reinterpret_cast<WPARAM>(fonts_.ui), FALSE);
}

void StationTileWindow::Show(const StationTile& tile) {
    tile_ = tile;
    if (tile.progressShown) {
        gauge_->SetMaxValue(tile.maximum);
        gauge_->SetProgress(tile.position);
    }
    ShowWindow(gauge_->Handle(), tile.progressShown ? SW_SHOW : SW_HIDE);
    EnableWindow(program_, tile.canProgram ? TRUE : FALSE);
    InvalidateRect(window_, nullptr, TRUE);
}

void StationTileWindow::Paint(HDC dc) {
    const auto px = [this](int pixels) { return Scaled(pixels, dpi_); };
    RECT client;
    GetClientRect(window_, &client);
    SetBkMode(dc, TRANSPARENT);
    const auto draw = [&](const std::string& text, HFONT font, COLORREF colour, int top, int height,
                          UINT flags) {
        const HGDIOBJ old = SelectObject(dc, font);
        SetTextColor(dc, colour);
        RECT area{px(kMargin), px(top), client.right - px(kMargin), px(top + height)};
        const std::wstring wide = Widen(text);
        DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &area,
                  flags | DT_NOPREFIX | DT_END_ELLIPSIS);
        SelectObject(dc, old);
    };
    const COLORREF black = Rgb(style::kBlack);
    draw(tile_.title, fonts_.tileTitle, black, 8, 20, DT_SINGLELINE);
    draw(tile_.state, fonts_.tileState, Rgb(ToneColour(tile_.tone)), 28, 36, DT_SINGLELINE);
    draw(tile_.detail, fonts_.ui, black, 92, 34, DT_WORDBREAK);
    draw(tile_.counts, fonts_.uiBold, black, kTileHeight - 26, 18, DT_SINGLELINE);
}

LRESULT CALLBACK StationTileWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self =
            static_cast<StationTileWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<StationTileWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self != nullptr && message == WM_PAINT) {
        PAINTSTRUCT paint;
        const HDC dc = BeginPaint(window, &paint);
        self->Paint(dc);
        EndPaint(window, &paint);
        return 0;
    }
    if (message == WM_COMMAND) return SendMessageW(GetParent(window), message, wParam, lParam);  // Program
    if (self != nullptr && message == WM_DESTROY) self->window_ = nullptr;
    return DefWindowProcW(window, message, wParam, lParam);
}

// A control and where it sits at 96 DPI.
struct StationWindow::Placed {
    HWND control;
    int x, y, width, height;
    FontKind font = FontKind::Ui;
};

// The window model's view of this window.
class StationWindow::WindowView : public StationWindowView {
  public:
    explicit WindowView(StationWindow& window) : w_(window) {}

    void SetField(Field field, const std::string& text) override {
        const HWND controls[] = {w_.PackFile, w_.Version, w_.Kind, w_.RecordFile, w_.Summary};
        SetWindowTextW(controls[static_cast<int>(field)], Widen(text).c_str());
    }
    void Enable(Control control, bool enabled) override {
        const HWND controls[] = {w_.ReadPack,  w_.ChooseRecord, w_.Ports, w_.RefreshPorts,  w_.Fast,
                                 w_.AutoSpeed, w_.Start,        w_.Stop,  w_.ProgramRunning};
        EnableWindow(controls[static_cast<int>(control)], enabled ? TRUE : FALSE);
    }
    void CheckFast(bool checked) override {
        SendMessageW(w_.Fast, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    void CheckAutoSpeed(bool checked) override {
        SendMessageW(w_.AutoSpeed, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    void SetPorts(const std::vector<StationPortEntry>& ports) override {
        w_.fillingPorts_ = true;
        ListView_DeleteAllItems(w_.Ports);
        for (std::size_t i = 0; i < ports.size(); ++i) {
            std::wstring label = Widen(ports[i].label);
            LVITEMW item{};
            item.mask = LVIF_TEXT;
            item.iItem = static_cast<int>(i);
            item.pszText = label.data();
            SendMessageW(w_.Ports, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
            ListView_SetCheckState(w_.Ports, static_cast<int>(i), ports[i].checked ? TRUE : FALSE);
        }
        w_.fillingPorts_ = false;
    }
    void SetTiles(const std::vector<StationTile>& tiles) override {
        w_.Tiles.clear();
        for (std::size_t i = 0; i < tiles.size(); ++i) {
            w_.Tiles.push_back(std::make_unique<StationTileWindow>(w_.window_, *w_.fonts_,
                                                                   kTileProgramId + static_cast<int>(i)));
            w_.Tiles.back()->Show(tiles[i]);
        }
        w_.LayOut();
    }
    void UpdateTile(std::size_t index, const StationTile& tile) override {
        if (index < w_.Tiles.size()) w_.Tiles[index]->Show(tile);
    }
    void Warning(const std::string& text) override {
        w_.prompts_.Warning(w_.window_, text, text::kStationTitle);
    }
    bool Confirm(const std::string& text) override {
        return w_.prompts_.Confirm(w_.window_, text, text::kStationTitle);
    }
    std::optional<std::string> ChoosePackFile() override { return w_.prompts_.ChoosePackFile(w_.window_); }
    std::optional<std::string> ChooseRecordFile(const std::string& current) override {
        return w_.prompts_.ChooseRecordFile(w_.window_, current);
    }
    void Ticking(bool on) override {
        if (on) {
            SetTimer(w_.window_, kTickTimer, kStationTickMilliseconds, nullptr);
        } else {
            KillTimer(w_.window_, kTickTimer);
        }
    }
    // Closed from the message loop, not from inside the handler that asks.
    void CloseWindow() override { PostMessageW(w_.window_, WM_CLOSE, 0, 0); }

  private:
    StationWindow& w_;
};

StationWindow::StationWindow(Win32Dispatcher& uiThread, const SettingsFile& settings, Win32Prompts& prompts,
                             PortUse& portUse, HWND owner, StationWindowModel::ListPorts listPorts)
    : prompts_(prompts) {
    static const ATOM atom = [] {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&controls);
        return RegisterTopLevelClass(kClassName, &StationWindow::WindowProc);
    }();
    (void)atom;
    window_ = CreateWindowExW(0, kClassName, Widen(text::kStationTitle).c_str(),
                              WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, CW_USEDEFAULT,
                              CW_USEDEFAULT, kClientWidth, kTilesTop, owner, nullptr,
                              GetModuleHandleW(nullptr), this);
    CreateControls();
    view_ = std::make_unique<WindowView>(*this);
    if (!listPorts) listPorts = [&settings] { return ListPortChoices(settings); };
    const std::vector<std::string> recordFolders{KnownFolder(FOLDERID_Documents),
                                                 KnownFolder(FOLDERID_Profile)};
    model_ = std::make_unique<StationWindowModel>(*view_, uiThread, settings, portUse, recordFolders,
                                                  std::move(listPorts));
}

StationWindow::~StationWindow() {
    OnClosed = nullptr;
    model_.reset();  // stops what runs and closes the ports
    Tiles.clear();
    if (window_ != nullptr) DestroyWindow(window_);
}

void StationWindow::CreateControls() {
    dpi_ = DpiOf(window_);
    fonts_ = std::make_unique<Win32Fonts>(dpi_);
    constexpr DWORD kLabel = SS_NOPREFIX | SS_LEFTNOWORDWRAP;
    const HWND w = window_;
    ReadPack = MakeChild(w, L"BUTTON", text::kReadPack, WS_TABSTOP | BS_PUSHBUTTON, kReadPackId);
    const HWND fileLabel = MakeChild(w, L"STATIC", text::kStationPackFile, kLabel);
    PackFile = MakeChild(w, L"EDIT", "", ES_READONLY | ES_AUTOHSCROLL, 0, WS_EX_CLIENTEDGE);
    const HWND versionLabel = MakeChild(w, L"STATIC", text::kVersion, kLabel);
    Version = MakeChild(w, L"EDIT", "", ES_READONLY | ES_AUTOHSCROLL, 0, WS_EX_CLIENTEDGE);
    Kind = MakeChild(w, L"STATIC", "", kLabel);
    const HWND recordLabel = MakeChild(w, L"STATIC", text::kStationRecordLabel, kLabel);
    RecordFile = MakeChild(w, L"EDIT", "", ES_READONLY | ES_AUTOHSCROLL, 0, WS_EX_CLIENTEDGE);
    ChooseRecord =
        MakeChild(w, L"BUTTON", text::kStationChooseRecord, WS_TABSTOP | BS_PUSHBUTTON, kChooseRecordId);
    const HWND portsLabel = MakeChild(w, L"STATIC", text::kStationPortsLabel, kLabel);
    RefreshPorts =
        MakeChild(w, L"BUTTON", text::kStationRefreshPorts, WS_TABSTOP | BS_PUSHBUTTON, kRefreshPortsId);
    Ports = MakeChild(w, WC_LISTVIEWW, "",
                      WS_TABSTOP | LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_SINGLESEL | LVS_SHOWSELALWAYS, 0,
                      WS_EX_CLIENTEDGE);
    ListView_SetExtendedListViewStyle(Ports, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    LVCOLUMNW column{};
    column.mask = LVCF_WIDTH;
    column.cx = 2000;
    SendMessageW(Ports, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
    Fast = MakeChild(w, L"BUTTON", text::kStationFast, WS_TABSTOP | BS_AUTOCHECKBOX, kFastId);
    AutoSpeed = MakeChild(w, L"BUTTON", text::kStationAutoSpeed, WS_TABSTOP | BS_AUTOCHECKBOX, kAutoSpeedId);
    Start = MakeChild(w, L"BUTTON", text::kStationStart, WS_TABSTOP | BS_PUSHBUTTON, kStartId);
    Stop = MakeChild(w, L"BUTTON", text::kStationStop, WS_TABSTOP | BS_PUSHBUTTON, kStopId);
    ProgramRunning =
        MakeChild(w, L"BUTTON", text::kStationProgramRunning, WS_TABSTOP | BS_PUSHBUTTON, kProgramRunningId);
    Summary = MakeChild(w, L"STATIC", "", kLabel);

    const int right = kClientWidth - kMargin;
    placed_ = {
        {ReadPack, kMargin, 10, 90, 26},
        {fileLabel, 110, 15, 30, 18},
        {PackFile, 142, 12, 210, 22},
        {versionLabel, 362, 15, 48, 18},
        {Version, 412, 12, 55, 22},
        {Kind, 475, 15, right - 475, 18, FontKind::UiBold},
        {recordLabel, kMargin, 49, 55, 18},
        {RecordFile, 70, 46, right - 70 - 100, 22},
        {ChooseRecord, right - 90, 44, 90, 26},
        {portsLabel, kMargin, 80, 60, 18},
        {RefreshPorts, kMargin, 100, 60, 26},
        {Ports, 80, 78, right - 80, 90},
        {Fast, kMargin, 170, 125, 20},
        {AutoSpeed, kMargin, 190, 125, 20},
        {Start, 140, 178, 70, 28},
        {Stop, 215, 178, 70, 28},
        {ProgramRunning, 290, 178, 190, 28},
        {Summary, 488, 184, right - 488, 18, FontKind::UiBold},
    };
    LayOut();
}

void StationWindow::LayOut() {
    const auto px = [this](int pixels) { return Scaled(pixels, dpi_); };
    for (const Placed& p : placed_) {
        SendMessageW(p.control, WM_SETFONT,
                     reinterpret_cast<WPARAM>(p.font == FontKind::UiBold ? fonts_->uiBold : fonts_->ui),
                     FALSE);
        MoveWindow(p.control, px(p.x), px(p.y), px(p.width), px(p.height), TRUE);
    }
    ListView_SetColumnWidth(Ports, 0, LVSCW_AUTOSIZE_USEHEADER);
    const int rows = static_cast<int>((Tiles.size() + kStationTileColumns - 1) / kStationTileColumns);
    for (std::size_t i = 0; i < Tiles.size(); ++i) {
        const int column = static_cast<int>(i) % kStationTileColumns;
        const int row = static_cast<int>(i) / kStationTileColumns;
        Tiles[i]->Place(kMargin + column * (style::kTileWidth + kMargin),
                        kTilesTop + row * (kTileHeight + kMargin), dpi_);
    }
    // The window's height follows the tiles.
    RECT outer{0, 0, px(kClientWidth), px(kTilesTop + rows * (kTileHeight + kMargin))};
    AdjustWindowRectEx(&outer, static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_STYLE)), FALSE, 0);
    SetWindowPos(window_, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void StationWindow::Show() {
    ShowWindow(window_, SW_SHOW);
    SetForegroundWindow(window_);
    UpdateWindow(window_);
}

void StationWindow::Click(int command) {
    const std::size_t tile = static_cast<std::size_t>(command - kTileProgramId);
    const HWND button = command >= kTileProgramId ? (tile < Tiles.size() ? Tiles[tile]->Program() : nullptr)
                                                  : GetDlgItem(window_, command);
    if (button == nullptr) return;
    if (command == kFastId || command == kAutoSpeedId) {
        SendMessageW(button, BM_SETCHECK,
                     SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED, 0);
    }
    if (IsWindowEnabled(button))
        SendMessageW(window_, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

void StationWindow::CheckPort(int row, bool checked) {
    ListView_SetCheckState(Ports, row, checked ? TRUE : FALSE);
}

int StationWindow::PortCount() const { return static_cast<int>(SendMessageW(Ports, LVM_GETITEMCOUNT, 0, 0)); }

std::string StationWindow::PortLabel(int row) const {
    wchar_t label[512] = {};
    LVITEMW item{};
    item.iSubItem = 0;
    item.pszText = label;
    item.cchTextMax = static_cast<int>(std::size(label));
    SendMessageW(Ports, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return Narrow(label);
}

std::string StationWindow::TextOf(HWND control) const {
    wchar_t text[1024] = {};
    GetWindowTextW(control, text, static_cast<int>(std::size(text)));
    return Narrow(text);
}

void StationWindow::Command(int id) {
    switch (id) {
        case kReadPackId:
            return model_->ReadPackClick();
        case kChooseRecordId:
            return model_->ChooseRecordClick();
        case kRefreshPortsId:
            return model_->RefreshPortsClick();
        case kFastId:
            return model_->FastToggled(SendMessageW(Fast, BM_GETCHECK, 0, 0) == BST_CHECKED);
        case kStartId:
            return model_->StartClick();
        case kStopId:
            return model_->StopClick();
        case kProgramRunningId:
            return model_->ProgramRunningClick();
        case kAutoSpeedId:
            return model_->AutoSpeedToggled(SendMessageW(AutoSpeed, BM_GETCHECK, 0, 0) == BST_CHECKED);
        default:
            if (id >= kTileProgramId) model_->ProgramPortClick(static_cast<std::size_t>(id - kTileProgramId));
            return;
    }
}

LRESULT StationWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            if (HIWORD(wParam) == BN_CLICKED) {
                const int id = LOWORD(wParam);
                RunHandler(prompts_, window_, [this, id] { Command(id); });
                return 0;
            }
            break;
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            if (header->hwndFrom == Ports && header->code == LVN_ITEMCHANGED && !fillingPorts_) {
                const auto* change = reinterpret_cast<const NMLISTVIEW*>(lParam);
                if ((change->uChanged & LVIF_STATE) != 0 &&
                    ((change->uNewState ^ change->uOldState) & LVIS_STATEIMAGEMASK) != 0) {
                    const bool checked = ListView_GetCheckState(Ports, change->iItem) != 0;
                    RunHandler(prompts_, window_, [&] { model_->PortToggled(change->iItem, checked); });
                }
                return 0;
            }
            break;
        }
        case WM_TIMER:
            if (wParam == kTickTimer) {
                RunHandler(prompts_, window_, [this] { model_->Tick(); });
                return 0;
            }
            break;
        case WM_CLOSE: {
            bool close = false;
            RunHandler(prompts_, window_, [this, &close] { close = model_->CloseRequested(); });
            if (close) DestroyWindow(window_);
            return 0;
        }
        case WM_DESTROY:
            KillTimer(window_, kTickTimer);
            window_ = nullptr;
            if (OnClosed) OnClosed();
            return 0;
        default:
            break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

LRESULT CALLBACK StationWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return ObjectWindowProc(window, message, wParam, lParam, &StationWindow::window_,
                            &StationWindow::OnMessage, &StationWindow::Prompts);
}

}  // namespace k5::app::win32
