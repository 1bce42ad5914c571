#include "p_UpdateDispController.h"

#include <algorithm>
#include <initializer_list>
#include <iterator>
#include <utility>

#include "log_lines.h"
#include "p_UartSet.h"
#include "resource_ids.h"
#include "single_instance.h"
#include "translation.h"
#include "ui_language.h"
#include "win32_controls.h"
#include "win32_pictures.h"
#include "win32_text.h"
#include "window_class.h"
#include "window_layout.h"
#include "window_style.h"
#include "window_texts.h"

namespace k5::app::win32 {

TF_UpdateDispController* F_UpdateDispController = nullptr;

namespace {

constexpr const wchar_t* kClassName = kMainWindowClassName;
// Posted to itself: read the packs queued (handed over while another message was being handled).
constexpr UINT kReadQueuedPacks = WM_APP + 1;
constexpr UINT_PTR kWaitingPackTimer = 1;
constexpr UINT kWaitingPackRetryMilliseconds = 100;

enum class FontKind { Ui, UiBold, WebAddress };

std::wstring WindowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

// The size a label needs for its text in `font`.
SIZE TextExtent(HWND label, HFONT font) {
    const std::wstring text = WindowText(label);
    const HDC dc = GetDC(label);
    const HGDIOBJ old = SelectObject(dc, font);
    RECT area{0, 0, 0, 0};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &area,
              DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(label, dc);
    return SIZE{area.right + 2, area.bottom};
}

}  // namespace

// A control and where the layout puts it.
struct TF_UpdateDispController::Placed {
    HWND control;
    layout::Box box;  // width 0: as wide and high as its text
    bool inGroup;
    FontKind font;
    bool label = false;  // a fixed text, shrunk to fit where the face is wider than planned
};

// The window model's view of this window.
class TF_UpdateDispController::WindowView : public MainWindowView {
  public:
    explicit WindowView(TF_UpdateDispController& window) : w_(window) {}

    void SetField(Field field, const std::string& text) override {
        const HWND control = field == Field::FileName  ? w_.Edit_UpdateFileName
                             : field == Field::Version ? w_.Edit_VerNum
                                                       : w_.Label8;
        SetWindowTextW(control, Widen(text).c_str());
    }
    void Enable(Control control, bool enabled) override {
        switch (control) {
            case Control::ReadPack:
                SendMessageW(w_.ToolBar1, TB_ENABLEBUTTON, kReadPackId,
                             MAKELPARAM(enabled ? TRUE : FALSE, 0));
                break;
            case Control::Program:
                SendMessageW(w_.ToolBar1, TB_ENABLEBUTTON, kProgramId, MAKELPARAM(enabled ? TRUE : FALSE, 0));
                break;
            case Control::UartPort:
                EnableMenuItem(w_.MainMenu1, kUartPortId, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
                break;
            case Control::FastTransfer:
                EnableMenuItem(w_.MainMenu1, kFastTransferId,
                               MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
                break;
        }
    }
    void Check(Control control, bool checked) override {
        if (control != Control::FastTransfer) return;
        CheckMenuItem(w_.MainMenu1, kFastTransferId, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
    }
    void CheckLanguage(const std::string& language) override {
        const auto at = std::find(w_.languageItems_.begin(), w_.languageItems_.end(), language);
        const int last = kLanguageFirstId + static_cast<int>(w_.languageItems_.size()) - 1;
        CheckMenuRadioItem(w_.Language1, kLanguageFirstId, last,
                           at == w_.languageItems_.end()
                               ? 0
                               : kLanguageFirstId + static_cast<int>(at - w_.languageItems_.begin()),
                           MF_BYCOMMAND);
    }
    void ClearLog() override { SendMessageW(w_.ListBox1, LB_RESETCONTENT, 0, 0); }
    void AddLog(const std::string& text) override { w_.AddLog(text); }
    void ShowProgress(bool visible) override { ShowWindow(w_.Gauge1->Handle(), visible ? SW_SHOW : SW_HIDE); }
    void SetProgressMax(std::uint32_t maximum) override { w_.Gauge1->SetMaxValue(maximum); }
    void SetProgressPosition(std::uint32_t position) override { w_.Gauge1->SetProgress(position); }
    void Warning(const std::string& text, const std::string& title) override {
        w_.prompts_.Warning(w_.window_, text, title);
    }
    bool Confirm(const std::string& text) override {
        return w_.prompts_.Confirm(w_.window_, text, text::kWindowTitle);
    }
    std::optional<std::string> ChoosePackFile() override { return w_.prompts_.ChoosePackFile(w_.window_); }
    void ShowPortDialog() override {
        TF_UartSet dialog(w_.settings_, w_.prompts_, w_.window_);
        F_UartSet = &dialog;
        struct Release {
            ~Release() { F_UartSet = nullptr; }
        } release;
        dialog.ShowModal();
    }
    void ShowStationWindow() override {
        if (!w_.Station) {
            w_.Station = std::make_unique<StationWindow>(w_.dispatcher_, w_.settings_, w_.prompts_,
                                                         w_.core_->PortsInUse(), w_.window_);
            w_.core_->Model().StationWindowOpened(&w_.Station->Model());
            // Gone once its window is: freed from the message loop, not from inside its window procedure.
            w_.Station->OnClosed = [this] {
                w_.core_->Model().StationWindowClosed();
                w_.dispatcher_.Post([this] { w_.Station.reset(); });
            };
        }
        w_.Station->Show();
    }
    void CloseStationWindow() override {
        if (w_.Station && w_.Station->Handle() != nullptr) DestroyWindow(w_.Station->Handle());
    }
    // Closed from the message loop, not from inside the handler that asks.
    void CloseWindow() override { PostMessageW(w_.window_, WM_CLOSE, 0, 0); }

  private:
    TF_UpdateDispController& w_;
};

TF_UpdateDispController::TF_UpdateDispController(const SettingsFile& settings, Win32Prompts& prompts,
                                                 PackStore& pack)
    : settings_(settings), prompts_(prompts), pack_(pack) {
    static const ATOM atom = RegisterTopLevelClass(kClassName, &TF_UpdateDispController::WindowProc);
    (void)atom;

    MainMenu1 = CreateMenu();
    IAP1 = CreatePopupMenu();
    AppendMenuW(IAP1, MF_STRING, kUartPortId, Widen(Tr(text::kUartPortItem)).c_str());
    AppendMenuW(IAP1, MF_STRING, kFastTransferId, Widen(Tr(text::kFastTransferItem)).c_str());
    AppendMenuW(IAP1, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(IAP1, MF_STRING, kStationId, Widen(Tr(text::kStationItem)).c_str());
    // The windows' language: the system's, or one by its own name ("en" English whatever the system's).
    Language1 = CreatePopupMenu();
    languageItems_ = {""};
    AppendMenuW(Language1, MF_STRING, kLanguageFirstId, Widen(Tr(text::kSystemLanguage)).c_str());
    for (const LanguageOffer& offer : OfferedLanguages()) {
        AppendMenuW(Language1, MF_STRING, kLanguageFirstId + languageItems_.size(),
                    Widen(offer.name).c_str());
        languageItems_.push_back(offer.language.empty() ? "en" : offer.language);
    }
    AppendMenuW(IAP1, MF_POPUP, reinterpret_cast<UINT_PTR>(Language1),
                Widen(Tr(text::kLanguageMenu)).c_str());
    AppendMenuW(MainMenu1, MF_POPUP, reinterpret_cast<UINT_PTR>(IAP1), Widen(Tr(text::kUartMenu)).c_str());
    window_ = CreateWindowExW(0, kClassName, Widen(text::kWindowTitle).c_str(), WS_OVERLAPPEDWINDOW,
                              CW_USEDEFAULT, CW_USEDEFAULT, layout::kOuterWidth, layout::kOuterHeight,
                              nullptr, MainMenu1, GetModuleHandleW(nullptr), this);
    CreateControls();

    windowView_ = std::make_unique<WindowView>(*this);
    core_ = std::make_unique<MainWindowCore>(dispatcher_, *windowView_, settings_, pack_);
    AVS1 = core_->Port();
}

bool TF_UpdateDispController::TranslateKeys(MSG* message) const {
    // Only the main window's own keys: the station window shares the message loop.
    if (keys_ == nullptr || window_ == nullptr) return false;
    if (message->hwnd != window_ && !IsChild(window_, message->hwnd)) return false;
    return TranslateAcceleratorW(window_, keys_, message) != 0;
}

TF_UpdateDispController::~TF_UpdateDispController() {
    Station.reset();  // before the core: the station's ports are in its port use
    core_.reset();
    if (window_ != nullptr) DestroyWindow(window_);
    if (pictures_ != nullptr) ImageList_Destroy(pictures_);
    if (keys_ != nullptr) DestroyAcceleratorTable(keys_);
    if (logo_ != nullptr) DeleteObject(logo_);
    if (F_UpdateDispController == this) F_UpdateDispController = nullptr;
}

void TF_UpdateDispController::CreateControls() {
    CreateToolBar();

    // One line each: a text too long for its label is clipped, never wrapped out of sight.
    constexpr DWORD kLabel = SS_NOPREFIX | SS_LEFTNOWORDWRAP;
    GroupBox1Caption = MakeChild(window_, L"STATIC", Tr(text::kPackInfo), WS_VISIBLE | kLabel);
    Label5 = MakeChild(window_, L"STATIC", Tr(text::kFirmwareName), WS_VISIBLE | kLabel);
    // Read-only and out of the tab order: the group is display-only.
    Edit_UpdateFileName =
        MakeChild(window_, L"EDIT", "", WS_VISIBLE | ES_READONLY | ES_AUTOHSCROLL, 0, WS_EX_CLIENTEDGE);
    Label1 = MakeChild(window_, L"STATIC", Tr(text::kVersion), WS_VISIBLE | kLabel);
    Edit_VerNum =
        MakeChild(window_, L"EDIT", "", WS_VISIBLE | ES_READONLY | ES_AUTOHSCROLL, 0, WS_EX_CLIENTEDGE);
    Label8 = MakeChild(window_, L"STATIC", "", WS_VISIBLE | kLabel);
    Label2 = MakeChild(window_, L"STATIC", Tr(text::kOnlyForVelmar), WS_VISIBLE | kLabel);
    Image1 = MakeChild(window_, L"STATIC", "", WS_VISIBLE | SS_BITMAP);
    Gauge1 = std::make_unique<Win32Gauge>(window_);
    ListBox1 = MakeChild(window_, L"LISTBOX", "", WS_VISIBLE | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
                         0, WS_EX_CLIENTEDGE);
    Label4 = MakeChild(window_, L"STATIC", Tr(text::kNotice), WS_VISIBLE | kLabel);
    Label3 = MakeChild(window_, L"STATIC", Tr(text::kNoticeReconnect), WS_VISIBLE | kLabel);
    Label6 = MakeChild(window_, L"STATIC", Tr(text::kNoticeOldTool), WS_VISIBLE | kLabel);
    Label7 = MakeChild(window_, L"STATIC", text::kWebAddress, WS_VISIBLE | kLabel);

    using namespace layout;
    placed_ = {
        {Label5, kFirmwareNameLabel, true, FontKind::Ui, true},
        {Edit_UpdateFileName, kFileNameField, true, FontKind::Ui},
        {Label1, kVersionLabel, true, FontKind::Ui, true},
        {Edit_VerNum, kVersionField, true, FontKind::Ui},
        {Label8, kKindLabel, true, FontKind::UiBold},
        {Label2, kTipLabel, true, FontKind::Ui, true},
        {Gauge1->Handle(), kGauge, false, FontKind::Ui},
        {ListBox1, kLog, false, FontKind::Ui},
        {Label4, kNotice, false, FontKind::UiBold, true},
        {Label3, kNoticeReconnect, false, FontKind::Ui, true},
        {Label6, kNoticeOldTool, false, FontKind::Ui, true},
        {Label7, kWebAddress, false, FontKind::WebAddress, true},
    };
    LayOut();
}

void TF_UpdateDispController::CreateToolBar() {
    ACCEL keys[] = {{FVIRTKEY | FCONTROL, 'O', kReadPackId}, {FVIRTKEY, VK_F5, kProgramId}};
    keys_ = CreateAcceleratorTableW(keys, static_cast<int>(std::size(keys)));
    ToolBar1 = CreateWindowExW(0, TOOLBARCLASSNAMEW, L"",
                               WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_LIST | TBSTYLE_TOOLTIPS |
                                   CCS_NORESIZE | CCS_NOPARENTALIGN | CCS_NODIVIDER,
                               0, 0, 0, 0, window_, nullptr, GetModuleHandleW(nullptr), nullptr);
    SendMessageW(ToolBar1, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    const std::wstring readPack = Widen(Tr(text::kReadPack));
    const std::wstring program = Widen(Tr(text::kProgram));
    TBBUTTON buttons[3] = {};
    buttons[0] = {
        0, kReadPackId, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, reinterpret_cast<INT_PTR>(readPack.c_str())};
    buttons[1] = {0, 0, 0, BTNS_SEP, {}, 0, 0};
    buttons[2] = {1, kProgramId, 0, BTNS_BUTTON, {}, 0, reinterpret_cast<INT_PTR>(program.c_str())};
    SendMessageW(ToolBar1, TB_ADDBUTTONSW, 3, reinterpret_cast<LPARAM>(buttons));
}

void TF_UpdateDispController::LayOut() {
    dpi_ = DpiOf(window_);
    const auto px = [this](int pixels) { return Scaled(pixels, dpi_); };
    // The controls use the old fonts until they are given the new ones below.
    const std::unique_ptr<Win32Fonts> previousFonts = std::move(fonts_);
    fonts_ = std::make_unique<Win32Fonts>(dpi_);
    const auto fontFor = [this](FontKind kind) {
        return kind == FontKind::UiBold       ? fonts_->uiBold
               : kind == FontKind::WebAddress ? fonts_->webAddress
                                              : fonts_->ui;
    };
    SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(fonts_->window), FALSE);

    // Toolbar: the two pictures at this DPI, the bold captions, the buttons' fixed widths.
    const int picture = px(layout::kPictureSize);
    if (pictures_ != nullptr) ImageList_Destroy(pictures_);
    pictures_ = ImageList_Create(picture, picture, ILC_COLOR32, 2, 0);
    for (int resource : {K5_READ_PACK_PNG, K5_PROGRAM_PNG}) {
        if (HBITMAP bitmap = DecodeResourcePicture(resource, SIZE{picture, picture})) {
            ImageList_Add(pictures_, bitmap, nullptr);
            DeleteObject(bitmap);
        }
    }
    SendMessageW(ToolBar1, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(pictures_));
    SendMessageW(ToolBar1, WM_SETFONT, reinterpret_cast<WPARAM>(fonts_->uiBold), FALSE);
    SendMessageW(ToolBar1, TB_SETBUTTONSIZE, 0,
                 MAKELPARAM(px(layout::kReadPackWidth), px(layout::kButtonHeight)));
    for (const auto& [id, width] :
         {std::pair{kReadPackId, layout::kReadPackWidth}, std::pair{kProgramId, layout::kProgramWidth}}) {
        TBBUTTONINFOW info{};
        info.cbSize = sizeof info;
        info.dwMask = TBIF_SIZE;
        info.cx = static_cast<WORD>(px(width));
        SendMessageW(ToolBar1, TB_SETBUTTONINFOW, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(&info));
    }
    RECT client;
    GetClientRect(window_, &client);
    MoveWindow(ToolBar1, 0, 0, client.right, px(layout::kToolBarHeight), TRUE);

    // The group: its caption sits on the frame's top line.
    const layout::Box group = layout::kPackGroup;
    SendMessageW(GroupBox1Caption, WM_SETFONT, reinterpret_cast<WPARAM>(fonts_->ui), FALSE);
    const SIZE caption = TextExtent(GroupBox1Caption, fonts_->ui);
    GroupBox1 = RECT{px(group.x), px(group.y) + caption.cy / 2, px(group.x + group.width),
                     px(group.y + group.height)};
    InvalidateRect(window_, nullptr, TRUE);
    MoveWindow(GroupBox1Caption, px(group.x + 8), px(group.y), caption.cx + px(4), caption.cy, TRUE);

    for (const Placed& placed : placed_) {
        HFONT font = fontFor(placed.font);
        const int x = px(placed.box.x + (placed.inGroup ? group.x : 0));
        const int y = px(placed.box.y + (placed.inGroup ? group.y : 0));
        // A label keeps to its box, or to the group or window it stands in, short of the next on its row.
        const int room = placed.box.width > 0
                             ? px(placed.box.width)
                             : px(layout::LabelRoom(placed.box, placed.inGroup, layout::kMinClientWidth));
        SIZE text = TextExtent(placed.control, font);
        for (int tries = 0; placed.label && text.cx > room && tries < 16; ++tries) {
            font = fonts_->Fitting(font, text.cx, room);
            text = TextExtent(placed.control, font);
        }
        SendMessageW(placed.control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        if (placed.box.width == 0) {
            MoveWindow(placed.control, x, y, text.cx, text.cy, TRUE);
        } else {
            MoveWindow(placed.control, x, y, px(placed.box.width), px(placed.box.height), TRUE);
        }
    }
    Gauge1->SetFont(fonts_->ui);
    SendMessageW(ListBox1, LB_SETITEMHEIGHT, 0, px(layout::kLogLineHeight));
    FollowSize();

    // The logo, scaled once into its area.
    const layout::Box logo = layout::kLogo;
    const SIZE logoSize{px(logo.width), px(logo.height)};
    const HBITMAP scaledLogo = DecodeResourcePicture(K5_LOGO_JPEG, logoSize);
    SendMessageW(Image1, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(scaledLogo));
    if (logo_ != nullptr) DeleteObject(logo_);
    logo_ = scaledLogo;
    MoveWindow(Image1, px(group.x + logo.x), px(group.y + logo.y), logoSize.cx, logoSize.cy, TRUE);
}

void TF_UpdateDispController::FollowSize() {
    RECT client, outer;
    GetClientRect(window_, &client);
    GetWindowRect(window_, &outer);
    const auto unscaled = [this](int pixels) { return MulDiv(pixels, 96, static_cast<int>(dpi_)); };
    // The client area the window has at its opening outer size, with the frame and menu it has now.
    const int openingWidth = client.right + Scaled(layout::kOuterWidth, dpi_) - (outer.right - outer.left);
    const int openingHeight = client.bottom + Scaled(layout::kOuterHeight, dpi_) - (outer.bottom - outer.top);
    const layout::FollowingBoxes boxes = layout::MainWindowLayout(
        unscaled(client.right), unscaled(client.bottom), unscaled(openingWidth), unscaled(openingHeight));
    const std::pair<HWND, layout::Box> following[] = {
        {Gauge1->Handle(), boxes.gauge}, {ListBox1, boxes.log},         {Label4, boxes.notice},
        {Label3, boxes.noticeReconnect}, {Label6, boxes.noticeOldTool}, {Label7, boxes.webAddress},
    };
    for (const auto& [control, box] : following) {
        RECT now;
        GetWindowRect(control, &now);
        const bool sized = control == Gauge1->Handle() || control == ListBox1;
        MoveWindow(control, Scaled(box.x, dpi_), Scaled(box.y, dpi_),
                   sized ? Scaled(box.width, dpi_) : now.right - now.left,
                   sized ? Scaled(box.height, dpi_) : now.bottom - now.top, TRUE);
    }
}

void TF_UpdateDispController::Show(int showCommand) {
    // The opening outer size at this DPI, centred on the monitor's work area.
    const int width = Scaled(layout::kOuterWidth, dpi_);
    const int height = Scaled(layout::kOuterHeight, dpi_);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(window_, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& work = monitor.rcWork;
    SetWindowPos(window_, nullptr, (work.left + work.right - width) / 2,
                 (work.top + work.bottom - height) / 2, width, height, SWP_NOZORDER);
    ShowWindow(window_, showCommand);
    UpdateWindow(window_);
}

void TF_UpdateDispController::AddLog(const std::string& text) {
    // The room a line has once the list shows its scroll bar, less a margin.
    RECT client{};
    GetClientRect(ListBox1, &client);
    const int room = client.right - client.left - GetSystemMetrics(SM_CXVSCROLL) - Scaled(4, dpi_);
    HDC dc = GetDC(ListBox1);
    const auto font = reinterpret_cast<HFONT>(SendMessageW(ListBox1, WM_GETFONT, 0, 0));
    const HGDIOBJ previous = SelectObject(dc, font);
    const auto fits = [&](const std::string& piece) {
        const std::wstring wide = Widen(piece);
        SIZE size{};
        GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
        return size.cx <= room;
    };
    const std::vector<std::string> pieces = BreakLogLine(text, fits);
    SelectObject(dc, previous);
    ReleaseDC(ListBox1, dc);
    for (const std::string& piece : pieces)
        SendMessageW(ListBox1, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(piece).c_str()));
    const LRESULT count = SendMessageW(ListBox1, LB_GETCOUNT, 0, 0);
    SendMessageW(ListBox1, LB_SETCURSEL, static_cast<WPARAM>(count - 1), 0);
    UpdateWindow(ListBox1);
}

void TF_UpdateDispController::Btn_ReadUserPackClick() { core_->Model().Btn_ReadUserPackClick(); }

void TF_UpdateDispController::QueuePackFile(const std::string& path) {
    if (!path.empty()) core_->Model().PackHandedOver(path);
    PostMessageW(window_, kReadQueuedPacks, 0, 0);
}

void TF_UpdateDispController::ReadWaitingPacks() {
    MainWindowModel& model = core_->Model();
    while (model.PackWaiting()) {
        // A box or dialog of the window disables it: what it was opened for finishes first.
        if (!IsWindowEnabled(window_) || model.HandlerRunning()) {
            SetTimer(window_, kWaitingPackTimer, kWaitingPackRetryMilliseconds, nullptr);
            return;
        }
        RunHandler(prompts_, window_, [&model] { model.ReadWaitingPack(); });
    }
}

void TF_UpdateDispController::BringToFront() {
    if (IsIconic(window_)) ShowWindow(window_, SW_RESTORE);
    SetForegroundWindow(window_);
}

void TF_UpdateDispController::Btn_SendToControllerClick() { core_->Model().Btn_SendToControllerClick(); }

void TF_UpdateDispController::UartPort1Click() { core_->Model().UartPort1Click(); }

void TF_UpdateDispController::FastTransfer1Click() { core_->Model().FastTransfer1Click(); }

void TF_UpdateDispController::Station1Click() { core_->Model().Station1Click(); }

bool TF_UpdateDispController::IsEnabled(CommandId command) const {
    if (command == kUartPortId || command == kFastTransferId || command == kStationId) {
        return (GetMenuState(MainMenu1, command, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED)) == 0;
    }
    return SendMessageW(ToolBar1, TB_ISBUTTONENABLED, static_cast<WPARAM>(command), 0) != 0;
}

void TF_UpdateDispController::Command(int id) {
    // A disabled control sends nothing; a command that arrives anyway (a
    // keyboard shortcut, another program) is ignored the same way.
    if (id >= kLanguageFirstId && id < kLanguageFirstId + static_cast<int>(languageItems_.size())) {
        core_->Model().LanguageClick(languageItems_[static_cast<std::size_t>(id - kLanguageFirstId)]);
        return;
    }
    if (id != kReadPackId && id != kProgramId && id != kUartPortId && id != kFastTransferId &&
        id != kStationId)
        return;
    const auto command = static_cast<CommandId>(id);
    if (!IsEnabled(command)) return;
    switch (command) {
        case kReadPackId:
            Btn_ReadUserPackClick();
            break;
        case kProgramId:
            Btn_SendToControllerClick();
            break;
        case kUartPortId:
            UartPort1Click();
            break;
        case kFastTransferId:
            FastTransfer1Click();
            break;
        case kStationId:
            Station1Click();
            break;
    }
}

LRESULT TF_UpdateDispController::ControlColour(HDC dc, HWND control) {
    if (control == Edit_UpdateFileName || control == Edit_VerNum) {
        SetBkColor(dc, GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
    }
    // Ours where the window asks for them, as readable on the system's face colour; else the system's text.
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const style::Colour background{GetRValue(face), GetGValue(face), GetBValue(face)};
    const COLORREF colour = control == Label8 ? Rgb(style::OnBackground(style::kBlue, background))
                            : control == Label7 || control == GroupBox1Caption
                                ? Rgb(style::OnBackground(style::kNavy, background))
                                : GetSysColor(COLOR_BTNTEXT);
    SetTextColor(dc, colour);
    if (control == Label4 || control == Label7) {
        // Their first row overlaps the log list's bottom edge: drawn without a background, they keep it.
        SetBkMode(dc, TRANSPARENT);
        return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
    }
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

LRESULT TF_UpdateDispController::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            if (lParam == 0 || reinterpret_cast<HWND>(lParam) == ToolBar1) {
                const int id = LOWORD(wParam);
                RunHandler(prompts_, window_, [this, id] { Command(id); });
                return 0;
            }
            break;
        case WM_NOTIFY: {
            auto* tip = reinterpret_cast<NMTTDISPINFOW*>(lParam);
            if (tip->hdr.code == TTN_GETDISPINFOW) {
                // Only "Read Pack" has a tooltip.
                static const std::wstring readPackTip = Widen(Tr(text::kReadPackTip));
                tip->lpszText =
                    const_cast<wchar_t*>(tip->hdr.idFrom == kReadPackId ? readPackTip.c_str() : L"");
                return 0;
            }
            break;
        }
        case WM_PAINT: {
            PAINTSTRUCT paint;
            const HDC dc = BeginPaint(window_, &paint);
            DrawEdge(dc, &GroupBox1, EDGE_ETCHED, BF_RECT);
            EndPaint(window_, &paint);
            return 0;
        }
        case WM_CTLCOLORSTATIC:
            return ControlColour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        case WM_SIZE:
            if (ToolBar1 != nullptr) {
                MoveWindow(ToolBar1, 0, 0, LOWORD(lParam), Scaled(layout::kToolBarHeight, dpi_), TRUE);
            }
            if (ListBox1 != nullptr && !placed_.empty()) FollowSize();
            return 0;
        case WM_GETMINMAXINFO: {
            // Every control shows whole: the toolbar's buttons side by side, the group, the log, the notices.
            RECT least{0, 0, Scaled(layout::kMinClientWidth, dpi_), Scaled(layout::kMinClientHeight, dpi_)};
            AdjustWindowRectEx(&least, static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_STYLE)), TRUE,
                               static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_EXSTYLE)));
            auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
            limits->ptMinTrackSize = POINT{least.right - least.left, least.bottom - least.top};
            return 0;
        }
        case WM_DPICHANGED: {
            LayOut();
            const auto* suggested = reinterpret_cast<const RECT*>(lParam);
            SetWindowPos(window_, nullptr, suggested->left, suggested->top,
                         suggested->right - suggested->left, suggested->bottom - suggested->top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
            return 0;
        }
        case WM_COPYDATA: {
            // A later start's file: taken here, read once its sender has been answered.
            const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
            if (data == nullptr || data->dwData != kHandedPackTag) break;
            const std::wstring file(static_cast<const wchar_t*>(data->lpData),
                                    data->cbData / sizeof(wchar_t));
            QueuePackFile(Narrow(file));
            return TRUE;
        }
        case kReadQueuedPacks:
            BringToFront();
            ReadWaitingPacks();
            return 0;
        case WM_TIMER:
            if (wParam != kWaitingPackTimer) break;
            KillTimer(window_, kWaitingPackTimer);
            ReadWaitingPacks();
            return 0;
        case WM_CLOSE: {
            bool close = false;
            RunHandler(prompts_, window_, [this, &close] { close = core_->Model().CloseRequested(); });
            if (close) DestroyWindow(window_);
            return 0;
        }
        case WM_DESTROY:
            window_ = nullptr;
            if (OnClosed) OnClosed();
            return 0;
        default:
            break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

LRESULT CALLBACK TF_UpdateDispController::WindowProc(HWND window, UINT message, WPARAM wParam,
                                                     LPARAM lParam) {
    return ObjectWindowProc(window, message, wParam, lParam, &TF_UpdateDispController::window_,
                            &TF_UpdateDispController::OnMessage, &TF_UpdateDispController::Prompts);
}

}  // namespace k5::app::win32
