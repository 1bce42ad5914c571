#include "p_UpdateDispController.h"

#include <algorithm>

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QProxyStyle>
#include <QScreen>
#include <QShortcut>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include "default_error_box.h"
#include "fonts.h"
#include "gauge.h"
#include "jpeg_logo.h"
#include "layout_rect.h"
#include "log_lines.h"
#include "p_UartSet.h"
#include "pictures.h"
#include "station_window.h"
#include "translation.h"
#include "ui_language.h"
#include "window_layout.h"

// The logo and the icon are compiled into the library; a static library needs them registered.
static void RegisterResources() { Q_INIT_RESOURCE(resources); }

namespace k5::app {

TF_UpdateDispController* F_UpdateDispController = nullptr;

namespace {

using layout::kLogLineHeight;
using layout::kOuterHeight;
using layout::kOuterWidth;
using layout::kToolBarHeight;

QPoint At(const layout::Box& box) { return QPoint(box.x, box.y); }

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, QPoint at, const QFont& font) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setFont(font);
    label->move(at);
    label->adjustSize();
    return label;
}

// A one-line label whose text is wider than its room (layout::LabelRoom) in a face made smaller to fit.
void FitToRoom(QLabel* label, const layout::Box& box, bool inGroup) {
    const int room = layout::LabelRoom(box, inGroup, layout::kMinClientWidth);
    QFont font = label->font();
    for (int width = QFontMetrics(font).horizontalAdvance(label->text());
         width > room && font.pixelSize() > 1; width = QFontMetrics(font).horizontalAdvance(label->text())) {
        font.setPixelSize(std::max(1, std::min(font.pixelSize() - 1, font.pixelSize() * room / width)));
    }
    label->setFont(font);
    label->adjustSize();
}

void SetTextColour(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    widget->setPalette(palette);
}

style::Colour ToColour(const QColor& c) {
    return {static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()),
            static_cast<std::uint8_t>(c.blue())};
}

// The menu bar as on the desktops that take Alt, pressed and let go, to the menus.
class AltToMenuStyle : public QProxyStyle {
  public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returned) const override {
        if (hint == SH_MenuBar_AltKeyNavigation) return 1;
        return QProxyStyle::styleHint(hint, option, widget, returned);
    }
};

// Return or Enter on a focused tool button presses it, as Space does.
class PressOnEnter : public QObject {
  public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            auto* button = qobject_cast<QToolButton*>(watched);
            if (button != nullptr && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
                if (button->isEnabled()) button->animateClick();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

}  // namespace

TF_UpdateDispController::TF_UpdateDispController(const SettingsFile& settings, UiPrompts& prompts,
                                                 PackStore& pack, QWidget* parent)
    : QMainWindow(parent), settings_(settings), prompts_(prompts), pack_(pack) {
    CreateControls();
    windowView_ = std::make_unique<WindowView>(*this);
    core_ = std::make_unique<MainWindowCore>(dispatcher_, *windowView_, settings_, pack_);
    AVS1 = core_->Port();
}

TF_UpdateDispController::~TF_UpdateDispController() {
    if (Station != nullptr) {
        // Before the core: the station's ports are in its port use.
        disconnect(Station, nullptr, this, nullptr);
        delete Station;
    }
    core_.reset();
    if (F_UpdateDispController == this) F_UpdateDispController = nullptr;
}

void TF_UpdateDispController::CreateControls() {
    RegisterResources();
    setWindowTitle(kWindowTitle);
    setWindowIcon(QIcon(":/k5/icon.png"));
    setFont(WindowFont());

    MainMenu1 = menuBar();
    MainMenu1->setObjectName("MainMenu1");
    auto* menuStyle = new AltToMenuStyle;
    menuStyle->setParent(MainMenu1);
    MainMenu1->setStyle(menuStyle);
    IAP1 = MainMenu1->addMenu(Tr(text::kUartMenu));
    IAP1->setObjectName("IAP1");
    UartPort1 = IAP1->addAction(Tr(text::kUartPortItem));
    UartPort1->setObjectName("UartPort1");
    connect(UartPort1, &QAction::triggered, this,
            [this] { RunHandler(prompts_, [this] { UartPort1Click(); }); });
    FastTransfer1 = IAP1->addAction(Tr(text::kFastTransferItem));
    FastTransfer1->setObjectName("FastTransfer1");
    FastTransfer1->setCheckable(true);
    connect(FastTransfer1, &QAction::triggered, this, [this] {
        // Qt has already moved the check mark: the model sets it as the settings now have it.
        FastTransfer1->setChecked(!FastTransfer1->isChecked());
        RunHandler(prompts_, [this] { FastTransfer1Click(); });
    });
    IAP1->addSeparator();
    Station1 = IAP1->addAction(Tr(text::kStationItem));
    Station1->setObjectName("Station1");
    connect(Station1, &QAction::triggered, this,
            [this] { RunHandler(prompts_, [this] { Station1Click(); }); });
    // The windows' language: the system's, or one by its own name ("en" English whatever the system's).
    Language1 = IAP1->addMenu(Tr(text::kLanguageMenu));
    Language1->setObjectName("Language1");
    auto* languages = new QActionGroup(Language1);
    const auto addLanguage = [this, languages](const QString& name, const std::string& language) {
        QAction* item = Language1->addAction(name);
        item->setCheckable(true);
        item->setData(QString::fromStdString(language));
        languages->addAction(item);
        connect(item, &QAction::triggered, this, [this, language] {
            // Qt has already moved the check mark: the model sets it as the settings then have it.
            CheckLanguageItem(settings_.GetLanguage());
            RunHandler(prompts_, [this, language] { core_->Model().LanguageClick(language); });
        });
    };
    addLanguage(Tr(text::kSystemLanguage), "");
    for (const LanguageOffer& offer : OfferedLanguages())
        addLanguage(QString::fromStdString(offer.name), offer.language.empty() ? "en" : offer.language);

    // F10 opens the first menu, as on the desktops that have no Alt navigation.
    auto* f10 = new QShortcut(QKeySequence(Qt::Key_F10), this);
    connect(f10, &QShortcut::activated, this, [this] { MainMenu1->setActiveAction(IAP1->menuAction()); });

    auto* client = new QWidget(this);
    client->setObjectName("ClientArea");
    setCentralWidget(client);

    ToolBar1 = new QToolBar(client);
    ToolBar1->setObjectName("ToolBar1");
    ToolBar1->setMovable(false);
    ToolBar1->setIconSize(QSize(layout::kPictureSize, layout::kPictureSize));
    ToolBar1->setGeometry(0, 0, kOuterWidth, kToolBarHeight);
    auto* pressOnEnter = new PressOnEnter(this);
    auto makeButton = [this, pressOnEnter](const char* name, const QString& caption, const QPixmap& picture,
                                           int width) {
        auto* button = new QToolButton(ToolBar1);
        button->setFocusPolicy(Qt::TabFocus);
        button->installEventFilter(pressOnEnter);
        button->setObjectName(name);
        button->setText(caption);
        button->setIcon(QIcon(picture));
        button->setIconSize(QSize(layout::kPictureSize, layout::kPictureSize));
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        button->setAutoRaise(true);
        button->setFont(UiFont(true));
        button->setFixedSize(width, layout::kButtonHeight);
        return button;
    };
    Btn_ReadUserPack =
        makeButton("Btn_ReadUserPack", Tr(text::kReadPack), ReadPackPicture(), layout::kReadPackWidth);
    Btn_ReadUserPack->setToolTip(Tr(text::kReadPackTip));
    Btn_SendToController =
        makeButton("Btn_SendToController", Tr(text::kProgram), ProgramPicture(), layout::kProgramWidth);
    Btn_SendToController->setEnabled(false);
    ToolBar1->addWidget(Btn_ReadUserPack);
    ToolBar1->addSeparator();
    ToolBar1->addWidget(Btn_SendToController);
    connect(Btn_ReadUserPack, &QToolButton::clicked, this,
            [this] { RunHandler(prompts_, [this] { Btn_ReadUserPackClick(); }); });
    connect(Btn_SendToController, &QToolButton::clicked, this,
            [this] { RunHandler(prompts_, [this] { Btn_SendToControllerClick(); }); });

    GroupBox1 = new QGroupBox(Tr(text::kPackInfo), client);
    GroupBox1->setObjectName("GroupBox1");
    GroupBox1->setGeometry(Rect(layout::kPackGroup));
    GroupBox1->setFont(UiFont());

    const QFont ui = UiFont();
    Label5 = MakeLabel(GroupBox1, "Label5", Tr(text::kFirmwareName), At(layout::kFirmwareNameLabel), ui);
    Edit_UpdateFileName = new QLineEdit(GroupBox1);
    Edit_UpdateFileName->setObjectName("Edit_UpdateFileName");
    Edit_UpdateFileName->setReadOnly(true);
    Edit_UpdateFileName->setGeometry(Rect(layout::kFileNameField));
    Label1 = MakeLabel(GroupBox1, "Label1", Tr(text::kVersion), At(layout::kVersionLabel), ui);
    Edit_VerNum = new QLineEdit(GroupBox1);
    Edit_VerNum->setObjectName("Edit_VerNum");
    Edit_VerNum->setReadOnly(true);
    Edit_VerNum->setGeometry(Rect(layout::kVersionField));
    Label8 = MakeLabel(GroupBox1, "Label8", QString(), At(layout::kKindLabel), UiFont(true));
    Label8->setFixedSize(Rect(layout::kKindLabel).size());
    Label2 = MakeLabel(GroupBox1, "Label2", Tr(text::kOnlyForVelmar), At(layout::kTipLabel), ui);
    FitToRoom(Label5, layout::kFirmwareNameLabel, true);
    FitToRoom(Label1, layout::kVersionLabel, true);
    FitToRoom(Label2, layout::kTipLabel, true);
    // The group takes no input: everything in it is display-only.
    Edit_UpdateFileName->setFocusPolicy(Qt::NoFocus);
    Edit_VerNum->setFocusPolicy(Qt::NoFocus);

    Image1 = new QLabel(GroupBox1);
    Image1->setObjectName("Image1");
    Image1->setGeometry(Rect(layout::kLogo));
    Image1->setScaledContents(true);
    QFile logo(":/k5/logo.jpg");
    if (logo.open(QIODevice::ReadOnly)) Image1->setPixmap(QPixmap::fromImage(DecodeJpeg(logo.readAll())));

    Gauge1 = new TGauge(client);
    Gauge1->setObjectName("Gauge1");
    Gauge1->setGeometry(Rect(layout::kGauge));
    Gauge1->setFont(ui);
    Gauge1->hide();

    ListBox1 = new QListWidget(client);
    ListBox1->setObjectName("ListBox1");
    ListBox1->setGeometry(Rect(layout::kLog));
    ListBox1->setFont(ui);
    ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListBox1->setUniformItemSizes(true);
    ListBox1->setStyleSheet(QString("QListWidget::item { height: %1px; }").arg(kLogLineHeight));

    Label4 = MakeLabel(client, "Label4", Tr(text::kNotice), At(layout::kNotice), UiFont(true));
    Label3 = MakeLabel(client, "Label3", Tr(text::kNoticeReconnect), At(layout::kNoticeReconnect), ui);
    Label6 = MakeLabel(client, "Label6", Tr(text::kNoticeOldTool), At(layout::kNoticeOldTool), ui);
    FitToRoom(Label4, layout::kNotice, false);
    FitToRoom(Label3, layout::kNoticeReconnect, false);
    FitToRoom(Label6, layout::kNoticeOldTool, false);
    Label7 = MakeLabel(client, "Label7", text::kWebAddress, At(layout::kWebAddress), WebAddressFont());
    Label7->setFixedSize(Rect(layout::kWebAddress).size());
    Label7->setTextInteractionFlags(Qt::NoTextInteraction);
    ApplyColours();

    int lowest = layout::kMinClientHeight;
    for (const QLabel* line : {Label4, Label3, Label6, Label7})
        lowest = std::max(lowest, line->geometry().bottom() + 1);
    client->setMinimumSize(std::max(layout::kMinClientWidth, ToolBar1->sizeHint().width()), lowest);
    resize(kOuterWidth, kOuterHeight);
}

void TF_UpdateDispController::ApplyColours() {
    // Ours where the window asks for them, each as readable on the palette's background;
    // the group's texts other than its caption in the palette's own.
    const QPalette& palette = this->palette();
    const style::Colour background = ToColour(palette.color(QPalette::Window));
    const auto ours = [background](style::Colour colour) {
        return ToQColor(style::OnBackground(colour, background));
    };
    SetTextColour(GroupBox1, ours(style::kNavy));
    for (QLabel* label : {Label5, Label1, Label2}) SetTextColour(label, palette.color(QPalette::WindowText));
    SetTextColour(Label8, ours(style::kBlue));
    SetTextColour(Label7, ours(style::kNavy));
}

void TF_UpdateDispController::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ApplicationPaletteChange)
        ApplyColours();
}

void TF_UpdateDispController::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (centred_) return;
    centred_ = true;
    FitOuterSize();
    // The window manager frames the window a moment after it was first shown.
    for (int ms : {50, 300, 1000}) QTimer::singleShot(ms, this, [this] { RefitToFrame(); });
    if (const QScreen* screen = this->screen()) {
        const QRect desktop = screen->availableGeometry();
        move(desktop.center() - QPoint(kOuterWidth / 2, kOuterHeight / 2));
    }
}

void TF_UpdateDispController::FitOuterSize() {
    // The outer size includes the frame the window manager adds.
    const QSize frame = frameGeometry().size() - geometry().size();
    fittedFrame_ = frame;
    resize(kOuterWidth - frame.width(), kOuterHeight - frame.height());
}

void TF_UpdateDispController::RefitToFrame() {
    if (frameSettled_ || frameGeometry().size() - geometry().size() == fittedFrame_) return;
    frameSettled_ = true;
    const QPoint centre = frameGeometry().center();
    FitOuterSize();
    move(centre - QPoint(kOuterWidth / 2, kOuterHeight / 2));
}

void TF_UpdateDispController::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    ToolBar1->setGeometry(0, 0, centralWidget()->width(), kToolBarHeight);
    // The client area the window has at its opening outer size, with the frame and menu bar it has now.
    const QSize client = centralWidget()->size();
    const QSize opening = client + QSize(kOuterWidth, kOuterHeight) - frameGeometry().size();
    const auto boxes =
        layout::MainWindowLayout(client.width(), client.height(), opening.width(), opening.height());
    Gauge1->setGeometry(Rect(boxes.gauge));
    ListBox1->setGeometry(Rect(boxes.log));
    Label4->move(At(boxes.notice));
    Label3->move(At(boxes.noticeReconnect));
    Label6->move(At(boxes.noticeOldTool));
    Label7->move(At(boxes.webAddress));
}

void TF_UpdateDispController::CheckLanguageItem(const std::string& language) {
    for (QAction* item : Language1->actions())
        item->setChecked(item->data().toString().toStdString() == language);
}

bool TF_UpdateDispController::SessionRunning() const { return core_->Session().Running(); }

void TF_UpdateDispController::AddLog(const QString& text) {
    // The room a line has once the list shows its scroll bar, less the item's own margins.
    const QFontMetrics metrics(ListBox1->font());
    const int room = ListBox1->contentsRect().width() - style()->pixelMetric(QStyle::PM_ScrollBarExtent) - 8;
    const auto fits = [&](const std::string& piece) {
        return metrics.horizontalAdvance(QString::fromStdString(piece)) <= room;
    };
    for (const std::string& piece : BreakLogLine(text.toStdString(), fits))
        ListBox1->addItem(QString::fromStdString(piece));
    ListBox1->setCurrentRow(ListBox1->count() - 1);
    ListBox1->scrollToBottom();
    ListBox1->viewport()->repaint();
}

void TF_UpdateDispController::Btn_ReadUserPackClick() { core_->Model().Btn_ReadUserPackClick(); }

void TF_UpdateDispController::OpenPackFile(const QString& path) {
    core_->Model().PackHandedOver(path.toStdString());
    ReadWaitingPacks();
}

void TF_UpdateDispController::ReadWaitingPacks() {
    MainWindowModel& model = core_->Model();
    while (model.PackWaiting()) {
        // Inside a box or dialog: what it was opened for finishes first.
        if (QApplication::activeModalWidget() != nullptr || model.HandlerRunning()) {
            if (waitingPackRetry_ == nullptr) {
                waitingPackRetry_ = new QTimer(this);
                waitingPackRetry_->setSingleShot(true);
                waitingPackRetry_->setInterval(100);
                connect(waitingPackRetry_, &QTimer::timeout, this, [this] { ReadWaitingPacks(); });
            }
            waitingPackRetry_->start();
            return;
        }
        RunHandler(prompts_, [&model] { model.ReadWaitingPack(); });
    }
}

void TF_UpdateDispController::BringToFront() {
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void TF_UpdateDispController::Btn_SendToControllerClick() { core_->Model().Btn_SendToControllerClick(); }

void TF_UpdateDispController::UartPort1Click() { core_->Model().UartPort1Click(); }

void TF_UpdateDispController::FastTransfer1Click() { core_->Model().FastTransfer1Click(); }

void TF_UpdateDispController::Station1Click() { core_->Model().Station1Click(); }

void TF_UpdateDispController::closeEvent(QCloseEvent* event) {
    if (core_->Model().CloseRequested()) {
        event->accept();
    } else {
        event->ignore();
    }
}

// The window model's view of this window.
class TF_UpdateDispController::WindowView : public MainWindowView {
  public:
    explicit WindowView(TF_UpdateDispController& window) : w_(window) {}

    void SetField(Field field, const std::string& text) override {
        const QString shown = QString::fromStdString(text);
        switch (field) {
            case Field::FileName:
                w_.Edit_UpdateFileName->setText(shown);
                break;
            case Field::Version:
                w_.Edit_VerNum->setText(shown);
                break;
            case Field::Kind:
                w_.Label8->setText(shown);
                break;
        }
    }
    void Enable(Control control, bool enabled) override {
        switch (control) {
            case Control::ReadPack:
                w_.Btn_ReadUserPack->setEnabled(enabled);
                break;
            case Control::Program:
                w_.Btn_SendToController->setEnabled(enabled);
                break;
            case Control::UartPort:
                w_.UartPort1->setEnabled(enabled);
                break;
            case Control::FastTransfer:
                w_.FastTransfer1->setEnabled(enabled);
                break;
        }
    }
    void Check(Control control, bool checked) override {
        if (control == Control::FastTransfer) w_.FastTransfer1->setChecked(checked);
    }
    void CheckLanguage(const std::string& language) override { w_.CheckLanguageItem(language); }
    void ClearLog() override { w_.ListBox1->clear(); }
    void AddLog(const std::string& text) override { w_.AddLog(QString::fromStdString(text)); }
    void ShowProgress(bool visible) override { w_.Gauge1->setVisible(visible); }
    void SetProgressMax(std::uint32_t maximum) override { w_.Gauge1->SetMaxValue(maximum); }
    void SetProgressPosition(std::uint32_t position) override { w_.Gauge1->SetProgress(position); }
    void Warning(const std::string& text, const std::string& title) override {
        w_.prompts_.Warning(&w_, QString::fromStdString(text), QString::fromStdString(title));
    }
    bool Confirm(const std::string& text) override {
        return w_.prompts_.Confirm(&w_, QString::fromStdString(text), w_.windowTitle());
    }
    std::optional<std::string> ChoosePackFile() override {
        const auto path = w_.prompts_.ChoosePackFile(&w_);
        if (!path) return std::nullopt;
        return path->toStdString();
    }
    void ShowPortDialog() override {
        F_UartSet = new TF_UartSet(w_.settings_, w_.prompts_, &w_);
        struct Release {
            ~Release() {
                delete F_UartSet;
                F_UartSet = nullptr;
            }
        } release;
        F_UartSet->exec();
    }
    void ShowStationWindow() override {
        if (w_.Station == nullptr) {
            w_.Station =
                new StationWindow(w_.dispatcher_, w_.settings_, w_.prompts_, w_.core_->PortsInUse(), &w_);
            w_.Station->setAttribute(Qt::WA_DeleteOnClose);
            w_.core_->Model().StationWindowOpened(&w_.Station->Model());
            QObject::connect(w_.Station, &QObject::destroyed, &w_, [this] {
                w_.Station = nullptr;
                w_.core_->Model().StationWindowClosed();
            });
        }
        w_.Station->show();
        w_.Station->raise();
        w_.Station->activateWindow();
    }
    void CloseStationWindow() override {
        if (w_.Station != nullptr) w_.Station->close();
    }
    void CloseWindow() override { w_.close(); }

  private:
    TF_UpdateDispController& w_;
};

}  // namespace k5::app
