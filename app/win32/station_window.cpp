#include "station_window.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "station_layout.h"
#include "station_tile.h"
#include "tile_look.h"
#include "translation.h"
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
constexpr int kTotalsWidth = 210;
constexpr int kTilesTop = 282;

// Within a tile, from its top: the title, the state and the unit's label (both grow in a larger
// tile), the progress bar, then the detail, which takes what is left; from its bottom: the counts
// and Program, the line under the label field, the label field, the advice.
constexpr int kTileTitleTop = 8;
constexpr int kTileStateTop = 28;
constexpr int kTileStateLine = 36;
constexpr int kTileUnitLine = 20;
constexpr int kTileGaugeHeight = 20;
constexpr int kTileLineHeight = 17;
constexpr int kTileDetailLines = 5;  // the outcome, why the port went away, what Start does
constexpr int kTileAdviceLines = 2;
constexpr int kTileButtonWidth = 80;
constexpr int kTileBottomRow = 32;  // the counts and Program
constexpr int kTileNoteHeight = 20;
constexpr int kTileFieldHeight = 24;
constexpr int kTileCaptionWidth = 44;  // "Label", bold
constexpr int kTileFixedHeight = kTileStateTop + kTileStateLine + kTileUnitLine + 2 + kTileGaugeHeight + 4 +
                                 2 + kTileAdviceLines * kTileLineHeight + 4 + kTileFieldHeight + 2 +
                                 kTileNoteHeight + kTileBottomRow;

enum class FontKind { Ui, UiBold };

// What a control's one-line caption leaves of its width: a push button's edges, a tick box's square
// and gap; -1 for a control whose text wraps, scrolls or is no caption.
int CaptionEdges(HWND control, UINT dpi) {
    wchar_t name[16] = {};
    GetClassNameW(control, name, 16);
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(control, GWL_STYLE));
    if (lstrcmpiW(name, L"Button") == 0) {
        const DWORD type = style & BS_TYPEMASK;
        if (type == BS_AUTOCHECKBOX || type == BS_CHECKBOX)
            return GetSystemMetrics(SM_CXMENUCHECK) + Scaled(8, dpi);
        return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON ? Scaled(12, dpi) : -1;
    }
    if (lstrcmpiW(name, L"Static") == 0 && (style & SS_TYPEMASK) == SS_LEFTNOWORDWRAP) return 0;
    return -1;
}

std::string KnownFolder(REFKNOWNFOLDERID id) {
    PWSTR path = nullptr;
    std::string folder;
    if (SUCCEEDED(SHGetKnownFolderPath(id, 0, nullptr, &path))) folder = Narrow(path);
    CoTaskMemFree(path);
    return folder;
}

HFONT GrownFont(int pixels, int percent, UINT dpi) {
    LOGFONTW font{};
    font.lfHeight = -Scaled(pixels * percent / 100, dpi);
    font.lfWeight = FW_BOLD;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = CLEARTYPE_QUALITY;
    lstrcpynW(font.lfFaceName, Widen(style::kUiFace).c_str(), LF_FACESIZE);
    return CreateFontIndirectW(&font);
}

// `mark` in the square `box`, in `ink`; the ring filled `done` per cent.
void DrawMark(HDC dc, const RECT& box, TileMark mark, int done, COLORREF ink) {
    const int side = box.right - box.left;
    const auto at = [&](MarkPoint p) {
        return POINT{box.left + p.x * side / 100, box.top + p.y * side / 100};
    };
    LOGBRUSH brush{BS_SOLID, ink, 0};
    const HPEN pen =
        ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_ROUND | PS_JOIN_ROUND,
                     static_cast<DWORD>(std::max(1, kMarkStroke * side / 100)), &brush, 0, nullptr);
    const HGDIOBJ oldPen = SelectObject(dc, pen);
    const HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    for (const auto& stroke : MarkStrokes(mark)) {
        std::vector<POINT> line;
        for (const MarkPoint& point : stroke) line.push_back(at(point));
        Polyline(dc, line.data(), static_cast<int>(line.size()));
    }
    if (mark == TileMark::Ring) {
        const POINT centre = at({50, 50});
        const int radius = kRingRadius * side / 100;
        Ellipse(dc, centre.x - radius, centre.y - radius, centre.x + radius, centre.y + radius);
        if (done > 0) {
            const int inner = (kRingRadius - kMarkStroke) * side / 100;
            const HBRUSH fill = CreateSolidBrush(ink);
            SelectObject(dc, GetStockObject(NULL_PEN));
            SelectObject(dc, fill);
            if (done >= 100) {
                Ellipse(dc, centre.x - inner, centre.y - inner, centre.x + inner, centre.y + inner);
            } else {
                // Clockwise from twelve o'clock.
                const double angle = 2 * 3.14159265358979 * done / 100;
                const int endX = centre.x + static_cast<int>(inner * std::sin(angle));
                const int endY = centre.y - static_cast<int>(inner * std::cos(angle));
                SetArcDirection(dc, AD_CLOCKWISE);
                Pie(dc, centre.x - inner, centre.y - inner, centre.x + inner + 1, centre.y + inner + 1,
                    centre.x, centre.y - inner, endX, endY);
            }
            SelectObject(dc, GetStockObject(NULL_BRUSH));
            DeleteObject(fill);
        }
    }
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(pen);
}

}  // namespace

const station_layout::Size StationTileWindow::kLeast{style::kTileWidth,
                                                     kTileFixedHeight + kTileDetailLines* kTileLineHeight};
const int StationTileWindow::kGrowingHeight = kTileStateLine + kTileUnitLine;

// Where the parts of a tile sit (96 DPI, from the tile's top).
struct StationTileWindow::Rooms {
    int stateHeight, unitTop, unitHeight, gaugeTop, detailTop, detailHeight, adviceTop, fieldTop, noteTop,
        bottomTop;
};

StationTileWindow::Rooms StationTileWindow::Layout() const {
    Rooms r{};
    r.stateHeight = kTileStateLine * percent_ / 100;
    r.unitTop = kTileStateTop + r.stateHeight;
    r.unitHeight = kTileUnitLine * percent_ / 100;
    r.gaugeTop = r.unitTop + r.unitHeight + 2;
    r.detailTop = r.gaugeTop + kTileGaugeHeight + 4;
    r.bottomTop = size_.height - kTileBottomRow;
    r.noteTop = r.bottomTop - kTileNoteHeight;
    r.fieldTop = r.noteTop - 2 - kTileFieldHeight;
    r.adviceTop = r.fieldTop - 4 - kTileAdviceLines * kTileLineHeight;
    r.detailHeight = r.adviceTop - 2 - r.detailTop;
    return r;
}

StationTileWindow::StationTileWindow(HWND parent, const Win32Fonts& fonts, int programId, int labelId)
    : fonts_(fonts), size_(kLeast), labelId_(labelId) {
    static const ATOM atom = RegisterChildClass(kTileClassName, &StationTileWindow::WindowProc, nullptr);
    (void)atom;
    window_ = CreateWindowExW(0, kTileClassName, L"", WS_CHILD | WS_VISIBLE | WS_BORDER | WS_CLIPCHILDREN, 0,
                              0, 0, 0, parent, nullptr, GetModuleHandleW(nullptr), this);
    gauge_ = std::make_unique<Win32Gauge>(window_);
    gauge_->SetFont(fonts_.ui);
    program_ = MakeChild(window_, L"BUTTON", Tr(text::kTileProgram),
                         WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON | WS_DISABLED, programId);
    labelField_ =
        MakeChild(window_, L"EDIT", "", WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, labelId, WS_EX_CLIENTEDGE);
    SetWindowSubclass(labelField_, &StationTileWindow::LabelFieldProc, 1, reinterpret_cast<DWORD_PTR>(this));
    for (HWND control : {program_, labelField_})
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(fonts_.ui), FALSE);
}

StationTileWindow::~StationTileWindow() {
    gauge_.reset();
    if (labelField_ != nullptr) RemoveWindowSubclass(labelField_, &StationTileWindow::LabelFieldProc, 1);
    if (window_ != nullptr) DestroyWindow(window_);
}

// A scanner ends a label with Enter: the tile's parent hears of it (and the field does not beep).
LRESULT CALLBACK StationTileWindow::LabelFieldProc(HWND field, UINT message, WPARAM wParam, LPARAM lParam,
                                                   UINT_PTR, DWORD_PTR tile) {
    if (message == WM_CHAR && (wParam == L'\r' || wParam == L'\n')) {
        auto* self = reinterpret_cast<StationTileWindow*>(tile);
        SendMessageW(GetParent(self->window_), WM_COMMAND, MAKEWPARAM(self->labelId_, kLabelEntered),
                     reinterpret_cast<LPARAM>(field));
        return 0;
    }
    if (message == WM_GETDLGCODE) return DefSubclassProc(field, message, wParam, lParam) | DLGC_WANTALLKEYS;
    return DefSubclassProc(field, message, wParam, lParam);
}

void StationTileWindow::Place(int x, int y, station_layout::Size size, int percent, GrownFonts grown,
                              UINT dpi) {
    dpi_ = dpi;
    size_ = size;
    percent_ = percent;
    grown_ = grown;
    const auto px = [dpi](int pixels) { return Scaled(pixels, dpi); };
    const Rooms r = Layout();
    const int inner = size.width - 2 * kMargin;
    MoveWindow(window_, x, y, px(size.width), px(size.height), TRUE);
    MoveWindow(gauge_->Handle(), px(kMargin), px(r.gaugeTop), px(inner), px(kTileGaugeHeight), TRUE);
    gauge_->SetFont(fonts_.ui);
    MoveWindow(labelField_, px(kMargin + kTileCaptionWidth), px(r.fieldTop), px(inner - kTileCaptionWidth),
               px(kTileFieldHeight), TRUE);
    MoveWindow(program_, px(size.width - kMargin - kTileButtonWidth), px(r.bottomTop + 2),
               px(kTileButtonWidth), px(26), TRUE);
    SendMessageW(labelField_, WM_SETFONT, reinterpret_cast<WPARAM>(fonts_.ui), FALSE);
    // Program's caption in a smaller face where a longer language's would not fit the button.
    const HDC dc = GetDC(program_);
    const HFONT caption =
        fonts_.FittingText(dc, fonts_.ui, Widen(Tr(text::kTileProgram)),
                           SIZE{px(kTileButtonWidth) - CaptionEdges(program_, dpi), 1 << 16}, DT_SINGLELINE);
    ReleaseDC(program_, dc);
    SendMessageW(program_, WM_SETFONT, reinterpret_cast<WPARAM>(caption), FALSE);
    InvalidateRect(window_, nullptr, TRUE);
}

void StationTileWindow::Show(const StationTile& tile) {
    tile_ = tile;
    if (tile.progressShown) {
        gauge_->SetMaxValue(tile.maximum);
        gauge_->SetProgress(tile.position);
    }
    ShowWindow(gauge_->Handle(), tile.progressShown ? SW_SHOW : SW_HIDE);
    EnableWindow(program_, tile.canProgram ? TRUE : FALSE);
    EnableWindow(labelField_, tile.labelEditable ? TRUE : FALSE);
    InvalidateRect(window_, nullptr, TRUE);
}

std::vector<StationTileWindow::TextRoom> StationTileWindow::TextRooms(HDC dc) const {
    const Rooms r = Layout();
    // The state's text after its mark, which is as tall as the line and a quarter of that apart.
    const int markRoom = r.stateHeight * 5 / 4;
    constexpr UINT kLine = DT_SINGLELINE | DT_VCENTER;
    std::vector<TextRoom> rooms{
        {tile_.title, fonts_.tileTitle, kTileTitleTop, 20, 0, DT_SINGLELINE},
        {tile_.state, grown_.state ? grown_.state : fonts_.tileState, kTileStateTop, r.stateHeight, markRoom,
         kLine},
        {tile_.lastLabel, grown_.unit ? grown_.unit : fonts_.tileTitle, r.unitTop, r.unitHeight, 0, kLine},
        {tile_.detail, fonts_.ui, r.detailTop, r.detailHeight, 0, DT_WORDBREAK},
        {tile_.advice, fonts_.uiBold, r.adviceTop, kTileAdviceLines * kTileLineHeight, 0, DT_WORDBREAK},
        {Tr(text::kTileLabel), fonts_.uiBold, r.fieldTop, kTileFieldHeight, 0, kLine},
        {TileLabelNote(tile_), fonts_.ui, r.noteTop, kTileNoteHeight, 0, kLine},
        {tile_.counts, fonts_.uiBold, r.bottomTop, kTileBottomRow, 0, kLine},
    };
    const auto px = [this](int pixels) { return Scaled(pixels, dpi_); };
    for (TextRoom& room : rooms) {
        // The label field's caption shares its line with the field; the counts, theirs with Program.
        const int width = room.text == Tr(text::kTileLabel) ? kTileCaptionWidth
                          : room.text == tile_.counts       ? size_.width - 2 * kMargin - kTileButtonWidth - 4
                                                            : size_.width - 2 * kMargin - room.indent;
        room.font =
            fonts_.FittingText(dc, room.font, Widen(room.text), SIZE{px(width), px(room.height)}, room.flags);
        room.width = width;
    }
    return rooms;
}

void StationTileWindow::Paint(HDC dc) {
    const auto px = [this](int pixels) { return Scaled(pixels, dpi_); };
    RECT client;
    GetClientRect(window_, &client);
    const TileLook look = LookOf(tile_.kind);
    const COLORREF background = look.paint ? Rgb(look.paint->background) : GetSysColor(COLOR_WINDOW);
    const COLORREF ink = look.paint ? Rgb(look.paint->text) : GetSysColor(COLOR_WINDOWTEXT);
    const HBRUSH fill = CreateSolidBrush(background);
    FillRect(dc, &client, fill);
    DeleteObject(fill);
    const Rooms r = Layout();
    const int side = px(r.stateHeight) - px(4);
    const RECT mark{px(kMargin), px(kTileStateTop) + px(2), px(kMargin) + side,
                    px(kTileStateTop) + px(2) + side};
    DrawMark(dc, mark, look.mark,
             tile_.maximum > 0 ? static_cast<int>(100ull * tile_.position / tile_.maximum) : 0, ink);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ink);
    for (const TextRoom& room : TextRooms(dc)) {
        const HGDIOBJ old = SelectObject(dc, room.font);
        RECT area{px(kMargin + room.indent), px(room.top), client.right - px(kMargin),
                  px(room.top + room.height)};
        const std::wstring wide = Widen(room.text);
        DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &area,
                  room.flags | DT_NOPREFIX | DT_END_ELLIPSIS);
        SelectObject(dc, old);
    }
}

bool StationTileWindow::TextsFit() const {
    const auto px = [this](int pixels) { return Scaled(pixels, dpi_); };
    const HDC dc = GetDC(window_);
    bool all = true;
    for (const TextRoom& room : TextRooms(dc)) {
        const int width = px(room.width);
        const HGDIOBJ old = SelectObject(dc, room.font);
        RECT needed{0, 0, width, 0};
        const std::wstring wide = Widen(room.text);
        DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &needed,
                  (room.flags & ~DT_VCENTER) | DT_NOPREFIX | DT_CALCRECT);
        SelectObject(dc, old);
        all = all && needed.right <= width && needed.bottom <= px(room.height);
    }
    // Program's caption within its button.
    wchar_t caption[128] = {};
    GetWindowTextW(program_, caption, 128);
    const HDC buttonDc = GetDC(program_);
    const HGDIOBJ oldFont =
        SelectObject(buttonDc, reinterpret_cast<HFONT>(SendMessageW(program_, WM_GETFONT, 0, 0)));
    RECT needed{0, 0, 0, 0};
    DrawTextW(buttonDc, caption, -1, &needed, DT_SINGLELINE | DT_NOPREFIX | DT_CALCRECT);
    SelectObject(buttonDc, oldFont);
    ReleaseDC(program_, buttonDc);
    ReleaseDC(window_, dc);
    return all && needed.right <= px(kTileButtonWidth) - CaptionEdges(program_, dpi_);
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
    if (message == WM_ERASEBKGND) return 1;  // painted whole by WM_PAINT
    // Program and the label field: to the tile's parent, which passes them on to the window.
    if (message == WM_COMMAND) return SendMessageW(GetParent(window), message, wParam, lParam);
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
        const HWND controls[] = {w_.PackFile, w_.Version, w_.Kind,   w_.RecordFile,
                                 w_.Summary,  w_.Total,   w_.PerUnit};
        SetWindowTextW(controls[static_cast<int>(field)], Widen(text).c_str());
        w_.FitShownTexts();
    }
    void Enable(Control control, bool enabled) override {
        // A locked window's ports stay readable: they offer nothing to change (ShowLocked).
        if (control == Control::Ports && w_.locked_) enabled = true;
        const HWND controls[] = {w_.ReadPack,       w_.ChooseRecord,  w_.Ports,    w_.RefreshPorts,
                                 w_.Fast,           w_.AutoSpeed,     w_.Start,    w_.Stop,
                                 w_.ProgramRunning, w_.LabelRequired, w_.SaveSetup};
        EnableWindow(controls[static_cast<int>(control)], enabled ? TRUE : FALSE);
    }
    void CheckFast(bool checked) override { Check(w_.Fast, checked); }
    void CheckAutoSpeed(bool checked) override { Check(w_.AutoSpeed, checked); }
    void CheckLabelRequired(bool checked) override { Check(w_.LabelRequired, checked); }
    void SetTitle(const std::string& title) override { SetWindowTextW(w_.window_, Widen(title).c_str()); }
    void ShowLocked() override {
        w_.locked_ = true;
        // What the set-up fixed is shown, with no way to change it: the ports without check boxes.
        for (HWND choice : {w_.ReadPack, w_.ChooseRecord, w_.RefreshPorts, w_.Fast, w_.AutoSpeed,
                            w_.LabelRequired, w_.SaveSetup})
            ShowWindow(choice, SW_HIDE);
        ListView_SetExtendedListViewStyleEx(w_.Ports, LVS_EX_CHECKBOXES, 0);
        w_.LayOut();
    }
    void SetPorts(const std::vector<StationPortEntry>& ports) override {
        w_.fillingPorts_ = true;
        ListView_DeleteAllItems(w_.Ports);
        int row = 0;
        for (const StationPortEntry& port : ports) {
            if (w_.locked_ && !port.checked) continue;
            std::wstring label = Widen(port.label);
            LVITEMW item{};
            item.mask = LVIF_TEXT;
            item.iItem = row;
            item.pszText = label.data();
            SendMessageW(w_.Ports, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
            if (!w_.locked_) ListView_SetCheckState(w_.Ports, row, port.checked ? TRUE : FALSE);
            ++row;
        }
        w_.fillingPorts_ = false;
    }
    void SetTiles(const std::vector<StationTile>& tiles) override {
        w_.Tiles.clear();
        for (std::size_t i = 0; i < tiles.size(); ++i) {
            const int index = static_cast<int>(i);
            w_.Tiles.push_back(std::make_unique<StationTileWindow>(
                w_.tileArea_, *w_.fonts_, kTileProgramId + index, kTileLabelId + index));
            w_.Tiles.back()->Show(tiles[i]);
        }
        w_.LayOut();
        if (IsWindowVisible(w_.window_)) w_.GrowToShowTiles();
    }
    void UpdateTile(std::size_t index, const StationTile& tile) override {
        if (index < w_.Tiles.size()) w_.Tiles[index]->Show(tile);
    }
    void Warning(const std::string& text) override {
        w_.prompts_.Warning(w_.window_, text, w_.TextOf(w_.window_));
    }
    bool Confirm(const std::string& text) override {
        return w_.prompts_.Confirm(w_.window_, text, w_.TextOf(w_.window_));
    }
    std::optional<std::string> ChoosePackFile() override { return w_.prompts_.ChoosePackFile(w_.window_); }
    std::optional<std::string> ChooseRecordFile(const std::string& current) override {
        return w_.prompts_.ChooseRecordFile(w_.window_, current);
    }
    std::optional<std::string> ChooseSetupFile(const std::string& suggested) override {
        return w_.prompts_.ChooseSetupFile(w_.window_, suggested);
    }
    std::optional<std::string> AskText(const std::string& question, const std::string& current) override {
        return w_.prompts_.AskText(w_.window_, question, current, w_.TextOf(w_.window_));
    }
    void AlertFailure() override { MessageBeep(MB_ICONHAND); }
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
    static void Check(HWND box, bool checked) {
        SendMessageW(box, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    }

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
        CreateWindowExW(0, kClassName, Widen(Tr(text::kStationTitle)).c_str(),
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
    for (HFONT font : {grown_.state, grown_.unit}) {
        if (font != nullptr) DeleteObject(font);
    }
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
    ReadPack =
        MakeChild(w, L"BUTTON", Tr(text::kReadPack), WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, kReadPackId);
    fileLabel_ = MakeChild(w, L"STATIC", Tr(text::kStationPackFile), WS_VISIBLE | kLabel);
    PackFile = MakeChild(w, L"EDIT", "", WS_VISIBLE | ES_READONLY | ES_AUTOHSCROLL, 0, WS_EX_CLIENTEDGE);
    versionLabel_ = MakeChild(w, L"STATIC", Tr(text::kVersion), WS_VISIBLE | kLabel);
    Version = MakeChild(w, L"EDIT", "", WS_VISIBLE | ES_READONLY | ES_AUTOHSCROLL, 0, WS_EX_CLIENTEDGE);
    Kind = MakeChild(w, L"STATIC", "", WS_VISIBLE | kLabel);
    recordLabel_ = MakeChild(w, L"STATIC", Tr(text::kStationRecordLabel), WS_VISIBLE | kLabel);
    RecordFile = MakeChild(w, L"EDIT", "", WS_VISIBLE | ES_READONLY | ES_AUTOHSCROLL, 0, WS_EX_CLIENTEDGE);
    ChooseRecord = MakeChild(w, L"BUTTON", Tr(text::kStationChooseRecord),
                             WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, kChooseRecordId);
    portsLabel_ = MakeChild(w, L"STATIC", Tr(text::kStationPortsLabel), WS_VISIBLE | kLabel);
    RefreshPorts = MakeChild(w, L"BUTTON", Tr(text::kStationRefreshPorts),
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
    Fast =
        MakeChild(w, L"BUTTON", Tr(text::kStationFast), WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, kFastId);
    AutoSpeed = MakeChild(w, L"BUTTON", Tr(text::kStationAutoSpeed),
                          WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, kAutoSpeedId);
    LabelRequired = MakeChild(w, L"BUTTON", Tr(text::kStationLabelRequired),
                              WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, kLabelRequiredId);
    Start =
        MakeChild(w, L"BUTTON", Tr(text::kStationStart), WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, kStartId);
    Stop = MakeChild(w, L"BUTTON", Tr(text::kStationStop), WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, kStopId);
    ProgramRunning = MakeChild(w, L"BUTTON", Tr(text::kStationProgramRunning),
                               WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, kProgramRunningId);
    SaveSetup = MakeChild(w, L"BUTTON", Tr(text::kStationSaveSetup), WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
                          kSaveSetupId);
    Summary = MakeChild(w, L"STATIC", "", WS_VISIBLE | SS_NOPREFIX | SS_LEFT);  // wraps
    Total = MakeChild(w, L"STATIC", "", WS_VISIBLE | SS_NOPREFIX | SS_RIGHT);
    PerUnit = MakeChild(w, L"STATIC", "", WS_VISIBLE | SS_NOPREFIX | SS_RIGHT);
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
    // A locked window's controls close up where its choices are hidden.
    const int fileLeft = locked_ ? kMargin : 110;
    const int actionsLeft = locked_ ? kMargin : 140;
    const int recordRight = locked_ ? right : right - 100;
    const Placed placed[] = {
        {ReadPack, kMargin, 10, 90, 26},
        {fileLabel_, fileLeft, 15, 30, 18},
        {PackFile, fileLeft + 32, 12, versionLabelLeft - 10 - fileLeft - 32, 22},
        {versionLabel_, versionLabelLeft, 15, 48, 18},
        {Version, versionLeft, 12, 55, 22},
        {Kind, kindLeft, 15, kKindWidth, 18, FontKind::UiBold},
        {recordLabel_, kMargin, 49, 55, 18},
        {RecordFile, 70, 46, recordRight - 70, 22},
        {ChooseRecord, right - 90, 44, 90, 26},
        {portsLabel_, kMargin, 80, 60, 18},
        {RefreshPorts, kMargin, 100, 60, 26},
        {Ports, 80, 78, right - 80, 90},
        {Fast, kMargin, 176, 125, 20},
        {AutoSpeed, kMargin, 196, 125, 20},
        {LabelRequired, kMargin, 216, 125, 20},
        {Start, actionsLeft, 182, 70, 28},
        {Stop, actionsLeft + 75, 182, 70, 28},
        {ProgramRunning, actionsLeft + 150, 182, 190, 28},
        {SaveSetup, 140, 214, 110, 26},
        {Summary, kMargin, 244, right - kMargin - kTotalsWidth - 8, 34, FontKind::UiBold},
        {Total, right - kTotalsWidth, 244, kTotalsWidth, 18, FontKind::UiBold},
        {PerUnit, right - kTotalsWidth, 262, kTotalsWidth, 18, FontKind::UiBold},
    };
    for (const Placed& p : placed) {
        HFONT font = p.font == FontKind::UiBold ? fonts_->uiBold : fonts_->ui;
        // A longer language's caption in a smaller face where it would not fit its control.
        if (const int edges = CaptionEdges(p.control, dpi_); edges >= 0) {
            const HDC dc = GetDC(p.control);
            font = fonts_->FittingText(dc, font, Widen(TextOf(p.control)), SIZE{px(p.width) - edges, 1 << 16},
                                       DT_SINGLELINE);
            ReleaseDC(p.control, dc);
        }
        SendMessageW(p.control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        MoveWindow(p.control, px(p.x), px(p.y), px(p.width), px(p.height), TRUE);
    }
    FitShownTexts();
    ListView_SetColumnWidth(Ports, 0, LVSCW_AUTOSIZE_USEHEADER);
    MoveWindow(tileArea_, 0, px(kTilesTop), client.right,
               std::max(0, static_cast<int>(client.bottom) - px(kTilesTop)), TRUE);
    PlaceTiles();
    // Where a control was is the window's to paint again.
    RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void StationWindow::FitShownTexts() {
    // The summary wraps over its two lines; the pack's kind and the totals stand on one line each.
    for (const auto& [control, flags] : {std::pair{Summary, UINT{DT_WORDBREAK}},
                                         {Kind, UINT{DT_SINGLELINE}},
                                         {Total, UINT{DT_SINGLELINE}},
                                         {PerUnit, UINT{DT_SINGLELINE}}}) {
        RECT box;
        GetClientRect(control, &box);
        const HDC dc = GetDC(control);
        const HFONT font = fonts_->FittingText(dc, fonts_->uiBold, Widen(TextOf(control)),
                                               SIZE{box.right, box.bottom}, flags);
        ReleaseDC(control, dc);
        if (reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)) != font)
            SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
}

void StationWindow::PlaceTiles() {
    RECT outer, area;
    GetWindowRect(tileArea_, &outer);
    GetClientRect(tileArea_, &area);
    const auto unscaled = [this](int pixels) { return MulDiv(pixels, 96, static_cast<int>(dpi_)); };
    // Room for the scroll bar is kept, so that showing it never changes how the tiles share the area.
    const station_layout::Size room{unscaled(outer.right - outer.left - GetSystemMetrics(SM_CXVSCROLL)),
                                    unscaled(outer.bottom - outer.top)};
    const int percent = grid_.statePercent;
    grid_ = station_layout::ShareArea(Tiles.size(), room, StationTileWindow::kLeast,
                                      StationTileWindow::kGrowingHeight);
    if (grid_.statePercent != percent || grown_.state == nullptr) {
        for (HFONT font : {grown_.state, grown_.unit}) {
            if (font != nullptr) DeleteObject(font);
        }
        grown_ = {GrownFont(style::kTileStatePixels, grid_.statePercent, dpi_),
                  GrownFont(style::kTileTitlePixels, grid_.statePercent, dpi_)};
    }
    const int needed =
        Scaled(station_layout::TileAreaSize(Tiles.size(), grid_.columns, grid_.tile).height, dpi_);
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info.nMax = Tiles.empty() ? 0 : needed - 1;
    info.nPage = static_cast<UINT>(std::max<LONG>(area.bottom, 0));
    tileScroll_ = std::clamp(tileScroll_, 0, std::max(0, needed - static_cast<int>(area.bottom)));
    info.nPos = tileScroll_;
    SetScrollInfo(tileArea_, SB_VERT, &info, TRUE);
    for (std::size_t i = 0; i < Tiles.size(); ++i) {
        const layout::Box box = station_layout::TileBox(i, grid_.columns, grid_.tile);
        Tiles[i]->Place(Scaled(box.x, dpi_), Scaled(box.y, dpi_) - tileScroll_, grid_.tile,
                        grid_.statePercent, grown_, dpi_);
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
    const station_layout::Size size = station_layout::OpeningSize(
        {kSmallestClientWidth, kTilesTop}, StationTileWindow::kLeast, Tiles.size(), screen);
    SetClientSize(Scaled(size.width, dpi_) + GetSystemMetrics(SM_CXVSCROLL), Scaled(size.height, dpi_));
    KeepWithinWorkArea();
}

void StationWindow::KeepWithinWorkArea() {
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
    const auto unscaled = [this](int pixels) { return MulDiv(pixels, 96, static_cast<int>(dpi_)); };
    const int scrollBar = GetSystemMetrics(SM_CXVSCROLL);
    const station_layout::Size size = station_layout::GrownForTiles(
        {unscaled(client.right - scrollBar), unscaled(client.bottom)}, {kSmallestClientWidth, kTilesTop},
        StationTileWindow::kLeast, Tiles.size(), ScreenRoom());
    const int width = Scaled(size.width, dpi_) + scrollBar, height = Scaled(size.height, dpi_);
    if (width <= client.right && height <= client.bottom) return;
    SetClientSize(std::max<int>(width, client.right), std::max<int>(height, client.bottom));
    KeepWithinWorkArea();
}

void StationWindow::Show() {
    ShowWindow(window_, SW_SHOW);
    SetForegroundWindow(window_);
    UpdateWindow(window_);
}

void StationWindow::Click(int command) {
    const std::size_t tile = static_cast<std::size_t>(command - kTileProgramId);
    const bool program = command >= kTileProgramId && command < kTileLabelId;
    const HWND button =
        program ? (tile < Tiles.size() ? Tiles[tile]->Program() : nullptr) : GetDlgItem(window_, command);
    if (button == nullptr) return;
    if (command == kFastId || command == kAutoSpeedId || command == kLabelRequiredId) {
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

bool StationWindow::Offered(HWND control) const {
    return IsWindowVisible(control) && IsWindowEnabled(control);
}

void StationWindow::LabelEntered(std::size_t index) {
    if (index >= Tiles.size()) return;
    const HWND field = Tiles[index]->LabelField();
    // Taken: the field is emptied for the next scan. Refused: the text stays selected, for the
    // next scan to replace, while the tile says why.
    if (model_->LabelEntered(index, TextOf(field))) {
        SetWindowTextW(field, L"");
    } else {
        SendMessageW(field, EM_SETSEL, 0, -1);
    }
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
        case kLabelRequiredId:
            return model_->LabelRequiredToggled(SendMessageW(LabelRequired, BM_GETCHECK, 0, 0) ==
                                                BST_CHECKED);
        case kSaveSetupId:
            return model_->SaveSetupClick();
        default:
            if (id >= kTileProgramId && id < kTileLabelId)
                model_->ProgramPortClick(static_cast<std::size_t>(id - kTileProgramId));
            return;
    }
}

LRESULT StationWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            if (HIWORD(wParam) == StationTileWindow::kLabelEntered && LOWORD(wParam) >= kTileLabelId) {
                const auto tile = static_cast<std::size_t>(LOWORD(wParam) - kTileLabelId);
                RunHandler(prompts_, window_, [this, tile] { LabelEntered(tile); });
                return 0;
            }
            if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) < kTileLabelId) {
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
                          Scaled(kTilesTop + StationTileWindow::kLeast.height / 2, dpi_)};
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
