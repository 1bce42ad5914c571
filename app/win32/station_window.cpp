#include "station_window.h"

#include <algorithm>
#include <array>

#include "station_layout.h"
#include "station_tile.h"
#include "win32_controls.h"
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
constexpr wchar_t kTileAreaClassName[] = L"K5StationTiles";
constexpr UINT_PTR kTickTimer = 1;

// Where things sit at 96 DPI. The controls take the window's width; the tiles fill the rest.
constexpr int kMargin = 10;
constexpr int kSmallestClientWidth = 520;
constexpr int kKindWidth = 150;  // "Software + Settings", bold
constexpr int kTilesTop = 256;
constexpr int kTileHeight = 280;
constexpr int kTileButtonWidth = 80;
// Within a tile: the detail holds the outcome, why the port went away and what Start does.
constexpr int kTileDetailTop = 92;
constexpr int kTileDetailLines = 9;
constexpr int kTileLineHeight = 17;
constexpr station_layout::Size kTileSize{style::kTileWidth, kTileHeight};

enum class FontKind { Ui, UiBold };

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
    program_ = MakeChild(window_, L"BUTTON", text::kTileProgram,
                         WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON | WS_DISABLED, programId);
    SendMessageW(program_, WM_SETFONT, reinterpret_cast<WPARAM>(fonts_.ui), FALSE);
}

StationTileWindow::~StationTileWindow() {
    gauge_.reset();
    if (window_ != nullptr) DestroyWindow(window_);
}

void StationTileWindow::Place(int x, int y, UINT dpi) {
    dpi_ = dpi;
    const auto px = [dpi](int pixels) { return Scaled(pixels, dpi); };
    MoveWindow(window_, x, y, px(style::kTileWidth), px(kTileHeight), TRUE);
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

std::array<StationTileWindow::TextRoom, 4> StationTileWindow::TextRooms() const {
    const COLORREF black = Rgb(style::kBlack);
    return {{
        {tile_.title, fonts_.tileTitle, black, 8, 20, DT_SINGLELINE},
        {tile_.state, fonts_.tileState, Rgb(ToneColour(tile_.tone)), 28, 36, DT_SINGLELINE},
        {tile_.detail, fonts_.ui, black, kTileDetailTop, kTileDetailLines * kTileLineHeight, DT_WORDBREAK},
        {tile_.counts, fonts_.uiBold, black, kTileHeight - 26, 18, DT_SINGLELINE},
    }};
}

void StationTileWindow::Paint(HDC dc) {
    const auto px = [this](int pixels) { return Scaled(pixels, dpi_); };
    RECT client;
    GetClientRect(window_, &client);
    SetBkMode(dc, TRANSPARENT);
    for (const TextRoom& room : TextRooms()) {
        const HGDIOBJ old = SelectObject(dc, room.font);
        SetTextColor(dc, room.colour);
        RECT area{px(kMargin), px(room.top), client.right - px(kMargin), px(room.top + room.height)};
        const std::wstring wide = Widen(room.text);
        DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &area,
                  room.flags | DT_NOPREFIX | DT_END_ELLIPSIS);
        SelectObject(dc, old);
    }
}

bool StationTileWindow::TextsFit() const {
    const auto px = [this](int pixels) { return Scaled(pixels, dpi_); };
    const int width = px(style::kTileWidth - 2 * kMargin);
    const HDC dc = GetDC(window_);
    bool all = true;
    for (const TextRoom& room : TextRooms()) {
        const HGDIOBJ old = SelectObject(dc, room.font);
        RECT needed{0, 0, width, 0};
        const std::wstring wide = Widen(room.text);
        DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &needed,
                  room.flags | DT_NOPREFIX | DT_CALCRECT);
        SelectObject(dc, old);
        all = all && needed.right <= width && needed.bottom <= px(room.height);
    }
    ReleaseDC(window_, dc);
    return all;
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
            w_.Tiles.push_back(std::make_unique<StationTileWindow>(w_.tileArea_, *w_.fonts_,
                                                                   kTileProgramId + static_cast<int>(i)));
            w_.Tiles.back()->Show(tiles[i]);
        }
        w_.LayOut();
        if (IsWindowVisible(w_.window_)) w_.GrowToShowTiles();
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
    window_ =
        CreateWindowExW(0, kClassName, Widen(text::kStationTitle).c_str(),
                        WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT,
                        kSmallestClientWidth, kTilesTop, owner, nullptr, GetModuleHandleW(nullptr), this);
    CreateControls();
    view_ = std::make_unique<WindowView>(*this);
    const std::vector<std::string> recordFolders{KnownFolder(FOLDERID_Documents),
                                                 KnownFolder(FOLDERID_Profile)};
    StationLookup lookup;
    lookup.ports = std::move(listPorts);
    model_ = std::make_unique<StationWindowModel>(*view_, uiThread, settings, portUse, recordFolders,
                                                  std::move(lookup));
    ResizeToOpen();
}

StationWindow::~StationWindow() {
    OnClosed = nullptr;
    model_.reset();  // stops what runs and closes the ports
    Tiles.clear();
    if (window_ != nullptr) DestroyWindow(window_);
}

LRESULT CALLBACK StationWindow::TileAreaProc(HWND area, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<StationWindow*>(GetWindowLongPtrW(area, GWLP_USERDATA));
    switch (message) {
        case WM_COMMAND:  // a tile's Program, passed on by the tile
            return SendMessageW(GetParent(area), message, wParam, lParam);
        case WM_VSCROLL:
        case WM_MOUSEWHEEL: {
            if (self == nullptr) break;
            SCROLLINFO info{};
            info.cbSize = sizeof info;
            info.fMask = SIF_ALL;
            GetScrollInfo(area, SB_VERT, &info);
            const int line = Scaled(40, self->dpi_);
            int position = info.nPos;
            if (message == WM_MOUSEWHEEL) {
                position -= GET_WHEEL_DELTA_WPARAM(wParam) * line / WHEEL_DELTA;
            } else {
                switch (LOWORD(wParam)) {
                    case SB_LINEUP:
                        position -= line;
                        break;
                    case SB_LINEDOWN:
                        position += line;
                        break;
                    case SB_PAGEUP:
                        position -= static_cast<int>(info.nPage);
                        break;
                    case SB_PAGEDOWN:
                        position += static_cast<int>(info.nPage);
                        break;
                    case SB_THUMBTRACK:
                    case SB_THUMBPOSITION:
                        position = info.nTrackPos;
                        break;
                    case SB_TOP:
                        position = info.nMin;
                        break;
                    case SB_BOTTOM:
                        position = info.nMax;
                        break;
                    default:
                        break;
                }
            }
            self->ScrollTilesTo(position);
            return 0;
        }
        default:
            break;
    }
    return DefWindowProcW(area, message, wParam, lParam);
}

void StationWindow::CreateControls() {
    dpi_ = DpiOf(window_);
    fonts_ = std::make_unique<Win32Fonts>(dpi_);
    constexpr DWORD kLabel = SS_NOPREFIX | SS_LEFTNOWORDWRAP;
    const HWND w = window_;
    ReadPack = MakeChild(w, L"BUTTON", text::kReadPack, WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, kReadPackId);
    fileLabel_ = MakeChild(w, L"STATIC", text::kStationPackFile, WS_VISIBLE | kLabel);
    PackFile = MakeChild(w, L"EDIT", "", WS_VISIBLE | ES_READONLY | ES_AUTOHSCROLL, 0, WS_EX_CLIENTEDGE);
    versionLabel_ = MakeChild(w, L"STATIC", text::kVersion, WS_VISIBLE | kLabel);
    Version = MakeChild(w, L"EDIT", "", WS_VISIBLE | ES_READONLY | ES_AUTOHSCROLL, 0, WS_EX_CLIENTEDGE);
    Kind = MakeChild(w, L"STATIC", "", WS_VISIBLE | kLabel);
    recordLabel_ = MakeChild(w, L"STATIC", text::kStationRecordLabel, WS_VISIBLE | kLabel);
    RecordFile = MakeChild(w, L"EDIT", "", WS_VISIBLE | ES_READONLY | ES_AUTOHSCROLL, 0, WS_EX_CLIENTEDGE);
    ChooseRecord = MakeChild(w, L"BUTTON", text::kStationChooseRecord,
                             WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, kChooseRecordId);
    portsLabel_ = MakeChild(w, L"STATIC", text::kStationPortsLabel, WS_VISIBLE | kLabel);
    RefreshPorts = MakeChild(w, L"BUTTON", text::kStationRefreshPorts,
                             WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, kRefreshPortsId);
    Ports = MakeChild(
        w, WC_LISTVIEWW, "",
        WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_SINGLESEL | LVS_SHOWSELALWAYS, 0,
        WS_EX_CLIENTEDGE);
    ListView_SetExtendedListViewStyle(Ports, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    LVCOLUMNW column{};
    column.mask = LVCF_WIDTH;
    column.cx = 2000;
    SendMessageW(Ports, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
    Fast = MakeChild(w, L"BUTTON", text::kStationFast, WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, kFastId);
    AutoSpeed = MakeChild(w, L"BUTTON", text::kStationAutoSpeed, WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX,
                          kAutoSpeedId);
    Start = MakeChild(w, L"BUTTON", text::kStationStart, WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, kStartId);
    Stop = MakeChild(w, L"BUTTON", text::kStationStop, WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, kStopId);
    ProgramRunning = MakeChild(w, L"BUTTON", text::kStationProgramRunning,
                               WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, kProgramRunningId);
    Summary = MakeChild(w, L"STATIC", "", WS_VISIBLE | SS_NOPREFIX | SS_LEFT);  // wraps
    static const ATOM areaClass =
        RegisterChildClass(kTileAreaClassName, &StationWindow::TileAreaProc, GetSysColorBrush(COLOR_BTNFACE));
    (void)areaClass;
    tileArea_ = MakeChild(w, kTileAreaClassName, "", WS_VISIBLE | WS_VSCROLL | WS_CLIPCHILDREN);
    SetWindowLongPtrW(tileArea_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    LayOut();
}

void StationWindow::LayOut() {
    if (window_ == nullptr || tileArea_ == nullptr) return;
    const auto px = [this](int pixels) { return Scaled(pixels, dpi_); };
    RECT client;
    GetClientRect(window_, &client);
    // The controls at 96 DPI, across the window's width.
    const int width = std::max(kSmallestClientWidth, MulDiv(client.right, 96, static_cast<int>(dpi_)));
    const int right = width - kMargin;
    const int kindLeft = right - kKindWidth;
    const int versionLeft = kindLeft - 8 - 55;
    const int versionLabelLeft = versionLeft - 52;
    const Placed placed[] = {
        {ReadPack, kMargin, 10, 90, 26},
        {fileLabel_, 110, 15, 30, 18},
        {PackFile, 142, 12, versionLabelLeft - 10 - 142, 22},
        {versionLabel_, versionLabelLeft, 15, 48, 18},
        {Version, versionLeft, 12, 55, 22},
        {Kind, kindLeft, 15, kKindWidth, 18, FontKind::UiBold},
        {recordLabel_, kMargin, 49, 55, 18},
        {RecordFile, 70, 46, right - 70 - 100, 22},
        {ChooseRecord, right - 90, 44, 90, 26},
        {portsLabel_, kMargin, 80, 60, 18},
        {RefreshPorts, kMargin, 100, 60, 26},
        {Ports, 80, 78, right - 80, 90},
        {Fast, kMargin, 176, 125, 20},
        {AutoSpeed, kMargin, 196, 125, 20},
        {Start, 140, 182, 70, 28},
        {Stop, 215, 182, 70, 28},
        {ProgramRunning, 290, 182, 190, 28},
        {Summary, kMargin, 220, right - kMargin, 34, FontKind::UiBold},
    };
    for (const Placed& p : placed) {
        SendMessageW(p.control, WM_SETFONT,
                     reinterpret_cast<WPARAM>(p.font == FontKind::UiBold ? fonts_->uiBold : fonts_->ui),
                     FALSE);
        MoveWindow(p.control, px(p.x), px(p.y), px(p.width), px(p.height), TRUE);
    }
    ListView_SetColumnWidth(Ports, 0, LVSCW_AUTOSIZE_USEHEADER);
    MoveWindow(tileArea_, 0, px(kTilesTop), client.right,
               std::max(0, static_cast<int>(client.bottom) - px(kTilesTop)), TRUE);
    PlaceTiles();
    // Where a control was is the window's to paint again.
    RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

int StationWindow::TileColumns() const {
    RECT area;
    GetWindowRect(tileArea_, &area);
    // Room for the scroll bar is kept, so that showing it never takes a column away.
    const int width = area.right - area.left - GetSystemMetrics(SM_CXVSCROLL);
    return station_layout::Columns(MulDiv(width, 96, static_cast<int>(dpi_)), style::kTileWidth);
}

void StationWindow::PlaceTiles() {
    RECT area;
    GetClientRect(tileArea_, &area);
    const int columns = TileColumns();
    const int needed = Scaled(station_layout::TileAreaSize(Tiles.size(), columns, kTileSize).height, dpi_);
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info.nMax = Tiles.empty() ? 0 : needed - 1;
    info.nPage = static_cast<UINT>(std::max<LONG>(area.bottom, 0));
    tileScroll_ = std::clamp(tileScroll_, 0, std::max(0, needed - static_cast<int>(area.bottom)));
    info.nPos = tileScroll_;
    SetScrollInfo(tileArea_, SB_VERT, &info, TRUE);
    for (std::size_t i = 0; i < Tiles.size(); ++i) {
        const layout::Box box = station_layout::TileBox(i, columns, kTileSize);
        Tiles[i]->Place(Scaled(box.x, dpi_), Scaled(box.y, dpi_) - tileScroll_, dpi_);
    }
}

void StationWindow::ScrollTilesTo(int position) {
    tileScroll_ = position;
    PlaceTiles();
}

station_layout::Size StationWindow::ScreenRoom() const {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(window_, MONITOR_DEFAULTTONEAREST), &monitor);
    RECT frame{0, 0, 0, 0};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_STYLE)), FALSE, 0);
    const int scrollBar = GetSystemMetrics(SM_CXVSCROLL);
    const RECT& work = monitor.rcWork;
    const auto unscaled = [this](int pixels) { return MulDiv(pixels, 96, static_cast<int>(dpi_)); };
    return {unscaled(work.right - work.left - (frame.right - frame.left) - scrollBar),
            unscaled(work.bottom - work.top - (frame.bottom - frame.top))};
}

void StationWindow::SetClientSize(int width, int height) {
    RECT outer{0, 0, width, height};
    AdjustWindowRectEx(&outer, static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_STYLE)), FALSE, 0);
    SetWindowPos(window_, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void StationWindow::ResizeToOpen() {
    const station_layout::Size screen = ScreenRoom();
    const station_layout::Size size =
        station_layout::OpeningSize({kSmallestClientWidth, kTilesTop}, kTileSize, Tiles.size(), screen);
    SetClientSize(Scaled(size.width, dpi_) + GetSystemMetrics(SM_CXVSCROLL), Scaled(size.height, dpi_));
    // Wherever the system placed it, within the work area.
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(window_, MONITOR_DEFAULTTONEAREST), &monitor);
    RECT outer;
    GetWindowRect(window_, &outer);
    const RECT& work = monitor.rcWork;
    const layout::Box fitted = station_layout::WithinWorkArea(
        {outer.left, outer.top, outer.right - outer.left, outer.bottom - outer.top},
        {work.left, work.top, work.right - work.left, work.bottom - work.top});
    SetWindowPos(window_, nullptr, fitted.x, fitted.y, fitted.width, fitted.height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void StationWindow::GrowToShowTiles() {
    if (IsZoomed(window_) || IsIconic(window_)) return;
    RECT client;
    GetClientRect(window_, &client);
    const station_layout::Size screen = ScreenRoom();
    const int needed =
        std::min(screen.height,
                 kTilesTop + station_layout::TileAreaSize(Tiles.size(), TileColumns(), kTileSize).height);
    if (Scaled(needed, dpi_) > client.bottom) SetClientSize(client.right, Scaled(needed, dpi_));
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
        case WM_SIZE:
            LayOut();
            return 0;
        case WM_GETMINMAXINFO: {
            RECT smallest{0, 0, Scaled(kSmallestClientWidth, dpi_) + GetSystemMetrics(SM_CXVSCROLL),
                          Scaled(kTilesTop + kTileHeight / 2, dpi_)};
            AdjustWindowRectEx(&smallest, static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_STYLE)), FALSE,
                               0);
            auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
            limits->ptMinTrackSize = {smallest.right - smallest.left, smallest.bottom - smallest.top};
            return 0;
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
