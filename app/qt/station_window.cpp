#include "station_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QStandardPaths>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "default_error_box.h"
#include "fonts.h"
#include "gauge.h"
#include "qt_dispatcher.h"
#include "translation.h"
#include "window_counts.h"
#include "window_texts.h"

namespace k5::app {
namespace {

QFont TileFont(int pixels) {
    QFont font = UiFont(true);
    font.setPixelSize(pixels);
    return font;
}

// Lines of detail a tile has room for at its least size: the outcome, why the port went away
// and what Start does, each of which may wrap.
constexpr int kTileDetailLines = 4;

// `mark` in `box` (square), in `ink`; the ring filled `done` per cent.
void DrawMark(QPainter& painter, const QRectF& box, TileMark mark, int done, const QColor& ink) {
    const qreal unit = box.width() / 100.0;
    const auto at = [&](MarkPoint p) { return QPointF(box.x() + p.x * unit, box.y() + p.y * unit); };
    painter.setPen(QPen(ink, kMarkStroke * unit, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    for (const auto& stroke : MarkStrokes(mark)) {
        QPolygonF line;
        for (const MarkPoint& point : stroke) line << at(point);
        painter.drawPolyline(line);
    }
    if (mark != TileMark::Ring) return;
    const QPointF centre = at({50, 50});
    painter.drawEllipse(centre, kRingRadius * unit, kRingRadius * unit);
    if (done <= 0) return;
    const qreal inner = (kRingRadius - kMarkStroke) * unit;
    painter.setPen(Qt::NoPen);
    painter.setBrush(ink);
    painter.drawPie(QRectF(centre - QPointF(inner, inner), QSizeF(2 * inner, 2 * inner)), 90 * 16,
                    -std::min(done, 100) * 360 * 16 / 100);
}

}  // namespace

TileStateLabel::TileStateLabel(QWidget* parent) : QLabel(parent) {
    setFont(TileFont(style::kTileStatePixels));
    // The mark before the text, as tall as a line, and a quarter of that apart.
    setContentsMargins(MarkSide(100) * 5 / 4, 0, 0, 0);
    SetGrowth(100);
}

int TileStateLabel::LineHeight(int percent) const { return (fontMetrics().height() + 4) * percent / 100; }

int TileStateLabel::MarkSide(int percent) const { return fontMetrics().height() * percent / 100; }

void TileStateLabel::SetMark(TileMark mark, int percentDone) {
    if (mark == mark_ && percentDone == done_) return;
    mark_ = mark;
    done_ = percentDone;
    update();
}

void TileStateLabel::SetGrowth(int percent) {
    if (percent == growth_ && minimumHeight() > 0) return;
    growth_ = percent;
    // As tall as its grown line: what the tile has beyond that goes to its detail.
    setFixedHeight(LineHeight(growth_));
    update();
}

void TileStateLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QFont grown = font();
    grown.setPixelSize(style::kTileStatePixels * growth_ / 100);
    const QFontMetrics metrics(grown);
    const int side = MarkSide(growth_);
    const QColor ink = palette().color(QPalette::WindowText);
    DrawMark(painter, QRectF(0, (height() - side) / 2.0, side, side).adjusted(2, 2, -2, -2), mark_, done_,
             ink);
    const QRect room = rect().adjusted(side * 5 / 4, 0, 0, 0);
    painter.setFont(grown);
    painter.setPen(ink);
    painter.drawText(room, Qt::AlignLeft | Qt::AlignVCenter,
                     metrics.elidedText(text(), Qt::ElideRight, room.width()));
}

StationTileWidget::StationTileWidget(QWidget* parent) : QFrame(parent) {
    setObjectName("StationTile");
    setFrameShape(QFrame::Box);
    // An idle tile is a card in the palette's colours for text fields, light or dark.
    setAutoFillBackground(true);
    plain_ = palette();
    plain_.setColor(QPalette::Window, plain_.color(QPalette::Base));
    plain_.setColor(QPalette::WindowText, plain_.color(QPalette::Text));
    setPalette(plain_);
    auto* column = new QVBoxLayout(this);
    Title = new QLabel(this);
    Title->setFont(TileFont(style::kTileTitlePixels));
    Title->setWordWrap(true);
    State = new TileStateLabel(this);
    Unit = new QLabel(this);
    Unit->setFont(TileFont(style::kTileTitlePixels));
    Progress = new TGauge(this);
    Progress->setFixedHeight(20);
    Progress->setFont(UiFont());
    // The bar keeps its room while hidden: the tile does not jump as a transfer starts.
    QSizePolicy keep = Progress->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    Progress->setSizePolicy(keep);
    Detail = new QLabel(this);
    Detail->setFont(UiFont());
    Detail->setWordWrap(true);
    Detail->setMinimumHeight(kTileDetailLines * Detail->fontMetrics().lineSpacing());
    Detail->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Advice = new QLabel(this);
    Advice->setFont(UiFont(true));
    Advice->setWordWrap(true);
    Advice->setMinimumHeight(2 * Advice->fontMetrics().lineSpacing());
    Advice->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* labelRow = new QHBoxLayout;
    auto* caption = new QLabel(Tr(text::kTileLabel), this);
    caption->setFont(UiFont(true));
    LabelField = new QLineEdit(this);
    LabelField->setFont(UiFont());
    caption->setBuddy(LabelField);
    labelRow->addWidget(caption);
    labelRow->addWidget(LabelField, 1);
    LabelNote = new QLabel(this);
    LabelNote->setFont(UiFont());
    Counts = new QLabel(this);
    Counts->setFont(UiFont(true));
    Program = new QPushButton(Tr(text::kTileProgram), this);
    Program->setEnabled(false);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(Counts, 1);
    bottom->addWidget(Program);
    column->setSpacing(4);
    column->addWidget(Title);
    column->addWidget(State);
    column->addWidget(Unit);
    column->addWidget(Progress);
    column->addWidget(Detail, 1);  // the room a larger tile has beyond its state's
    column->addWidget(Advice);
    column->addLayout(labelRow);
    column->addWidget(LabelNote);
    column->addLayout(bottom);
}

void StationTileWidget::SetGrowth(int percent) {
    State->SetGrowth(percent);
    Unit->setFont(TileFont(style::kTileTitlePixels * percent / 100));
}

int StationTileWidget::GrowingHeight() const {
    return State->LineHeight(100) + QFontMetrics(TileFont(style::kTileTitlePixels)).height();
}

void StationTileWidget::Show(const StationTile& tile) {
    tile_ = tile;
    const TileLook look = LookOf(tile.kind);
    QPalette palette = plain_;
    if (look.paint) {
        palette.setColor(QPalette::Window, ToQColor(look.paint->background));
        palette.setColor(QPalette::WindowText, ToQColor(look.paint->text));
    }
    setPalette(palette);
    Title->setText(QString::fromStdString(tile.title));
    State->setText(QString::fromStdString(tile.state));
    State->SetMark(look.mark, tile.maximum > 0 ? static_cast<int>(100ull * tile.position / tile.maximum) : 0);
    Unit->setText(QString::fromStdString(tile.lastLabel));
    Progress->setVisible(tile.progressShown);
    if (tile.progressShown) {
        Progress->SetMaxValue(tile.maximum);
        Progress->SetProgress(tile.position);
    }
    Detail->setText(QString::fromStdString(tile.detail));
    Advice->setText(QString::fromStdString(tile.advice));
    LabelField->setEnabled(tile.labelEditable);
    LabelNote->setText(QString::fromStdString(TileLabelNote(tile)));
    Counts->setText(QString::fromStdString(tile.counts));
    Program->setEnabled(tile.canProgram);
}

// The window model's view of this window.
class StationWindow::WindowView : public StationWindowView {
  public:
    explicit WindowView(StationWindow& window) : w_(window) {}

    void SetField(Field field, const std::string& text) override {
        QLineEdit* const fields[] = {w_.PackFile, w_.Version, nullptr, w_.RecordFile};
        QLabel* const labels[] = {nullptr, nullptr, w_.Kind, nullptr, w_.Summary, w_.Total, w_.PerUnit};
        const auto index = static_cast<std::size_t>(field);
        if (index < std::size(fields) && fields[index] != nullptr) {
            fields[index]->setText(QString::fromStdString(text));
        } else if (index < std::size(labels) && labels[index] != nullptr) {
            labels[index]->setText(QString::fromStdString(text));
        }
    }
    void Enable(Control control, bool enabled) override {
        // A locked window's ports stay readable: they offer nothing to change (ShowLocked).
        if (control == Control::Ports && w_.locked_) enabled = true;
        QWidget* widgets[] = {w_.ReadPack,       w_.ChooseRecord,  w_.Ports,    w_.RefreshPorts,
                              w_.Fast,           w_.AutoSpeed,     w_.Start,    w_.Stop,
                              w_.ProgramRunning, w_.LabelRequired, w_.SaveSetup};
        widgets[static_cast<int>(control)]->setEnabled(enabled);
    }
    void CheckFast(bool checked) override { w_.Fast->setChecked(checked); }
    void CheckAutoSpeed(bool checked) override { w_.AutoSpeed->setChecked(checked); }
    void CheckLabelRequired(bool checked) override { w_.LabelRequired->setChecked(checked); }
    void SetTitle(const std::string& title) override { w_.setWindowTitle(QString::fromStdString(title)); }
    void ShowLocked() override {
        w_.locked_ = true;
        // What the set-up fixed is shown, with no way to change it.
        for (QWidget* choice :
             std::initializer_list<QWidget*>{w_.ReadPack, w_.ChooseRecord, w_.RefreshPorts, w_.Fast,
                                             w_.AutoSpeed, w_.LabelRequired, w_.SaveSetup})
            choice->hide();
    }
    void SetPorts(const std::vector<StationPortEntry>& ports) override {
        w_.fillingPorts_ = true;
        w_.Ports->clear();
        for (const auto& port : ports) {
            if (w_.locked_ && !port.checked) continue;
            auto* item = new QListWidgetItem(QString::fromStdString(port.label), w_.Ports);
            if (w_.locked_) {
                item->setFlags(Qt::ItemIsEnabled);
            } else {
                item->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled);
                item->setCheckState(port.checked ? Qt::Checked : Qt::Unchecked);
            }
        }
        w_.fillingPorts_ = false;
    }
    void SetTiles(const std::vector<StationTile>& tiles) override {
        for (auto* tile : w_.Tiles) delete tile;
        w_.Tiles.clear();
        for (std::size_t i = 0; i < tiles.size(); ++i) {
            auto* tile = new StationTileWidget(w_.tileArea_);
            tile->Show(tiles[i]);
            QObject::connect(tile->Program, &QPushButton::clicked, &w_, [this, i] {
                RunHandler(w_.prompts_, [this, i] { w_.model_->ProgramPortClick(i); });
            });
            // A scanner types the label, then Enter: the label goes to that port's next update and
            // the field is emptied for the next; a refused text stays selected, for the next scan to
            // replace, while the tile says why.
            QObject::connect(tile->LabelField, &QLineEdit::returnPressed, &w_, [this, i, tile] {
                const std::string text = tile->LabelField->text().toStdString();
                bool taken = false;
                RunHandler(w_.prompts_,
                           [this, i, &text, &taken] { taken = w_.model_->LabelEntered(i, text); });
                if (taken) {
                    tile->LabelField->clear();
                } else {
                    tile->LabelField->selectAll();
                }
            });
            tile->show();
            w_.Tiles.push_back(tile);
        }
        w_.PlaceTiles();
        if (w_.isVisible()) w_.GrowToShowTiles();
    }
    void UpdateTile(std::size_t index, const StationTile& tile) override {
        if (index < w_.Tiles.size()) w_.Tiles[index]->Show(tile);
    }
    void Warning(const std::string& text) override {
        w_.prompts_.Warning(&w_, QString::fromStdString(text), w_.windowTitle());
    }
    bool Confirm(const std::string& text) override {
        return w_.prompts_.Confirm(&w_, QString::fromStdString(text), w_.windowTitle());
    }
    std::optional<std::string> ChoosePackFile() override {
        const auto path = w_.prompts_.ChoosePackFile(&w_);
        if (!path) return std::nullopt;
        return path->toStdString();
    }
    std::optional<std::string> ChooseRecordFile(const std::string& current) override {
        const auto path = w_.prompts_.ChooseRecordFile(&w_, QString::fromStdString(current));
        if (!path) return std::nullopt;
        return path->toStdString();
    }
    std::optional<std::string> ChooseSetupFile(const std::string& suggested) override {
        const auto path = w_.prompts_.ChooseSetupFile(&w_, QString::fromStdString(suggested));
        if (!path) return std::nullopt;
        return path->toStdString();
    }
    std::optional<std::string> AskText(const std::string& question, const std::string& current) override {
        const auto answer = w_.prompts_.AskText(&w_, QString::fromStdString(question),
                                                QString::fromStdString(current), w_.windowTitle());
        if (!answer) return std::nullopt;
        return answer->toStdString();
    }
    // The system's alert sound (the X bell on Linux desktops).
    void AlertFailure() override { QApplication::beep(); }
    void Ticking(bool on) override {
        if (on) {
            w_.ticker_->start(kStationTickMilliseconds);
        } else {
            w_.ticker_->stop();
        }
    }
    // Closed from the event loop, not from inside the handler that asks.
    void CloseWindow() override {
        QTimer::singleShot(0, &w_, [this] { w_.close(); });
    }

  private:
    StationWindow& w_;
};

StationWindow::StationWindow(QtDispatcher& uiThread, const SettingsFile& settings, UiPrompts& prompts,
                             PortUse& portUse, QWidget* parent)
    : QWidget(parent, Qt::Window), prompts_(prompts) {
    CreateControls();
    MeasureLeastTile();
    view_ = std::make_unique<WindowView>(*this);
    const std::vector<std::string> recordFolders{
        QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation).toStdString(),
        QStandardPaths::writableLocation(QStandardPaths::HomeLocation).toStdString()};
    model_ = std::make_unique<StationWindowModel>(*view_, uiThread, settings, portUse, recordFolders);
    ResizeToOpen();
}

void StationWindow::MeasureLeastTile() {
    StationTileWidget probe(tileArea_);
    StationTile longest;
    longest.title = "COM15  /dev/ttyUSB14, 0403:6001 A50285BI";
    longest.state = std::string(Tr(text::kTileProgramming)) + " 100 %";
    longest.lastLabel = "K5-2412-00311";
    longest.advice = Tr(text::kTilePutAside);
    longest.label = longest.lastLabel;
    longest.counts = FillIn(Tr(text::kTileCounts),
                            {CountText(text::kGoodCount, 9999), CountText(text::kFailedCount, 9999)});
    probe.Show(longest);
    leastTile_ = {style::kTileWidth,
                  std::max(probe.sizeHint().height(), probe.heightForWidth(style::kTileWidth))};
    stateHeight_ = probe.GrowingHeight();
}

QSize StationWindow::Chrome() const {
    const QMargins margins = layout()->contentsMargins();
    const int frame = 2 * tileScroll_->frameWidth();
    return {margins.left() + margins.right() + frame, margins.top() + margins.bottom() + frame};
}

station_layout::Size StationWindow::ScreenRoom() const {
    // What the screen leaves once the window's frame and title are drawn.
    const QSize frameAllowance(16, 48);
    const QSize room = screen()->availableGeometry().size() - frameAllowance;
    return {room.width(), room.height()};
}

void StationWindow::ResizeToOpen() {
    const QSize chrome = Chrome();
    const QSize controls = controls_->sizeHint() + QSize(0, layout()->spacing());
    const station_layout::Size screen = ScreenRoom();
    const auto size =
        station_layout::OpeningSize({controls.width(), controls.height()}, leastTile_, Tiles.size(),
                                    {screen.width - chrome.width(), screen.height - chrome.height()});
    resize(size.width + chrome.width(), size.height + chrome.height());
}

void StationWindow::GrowToShowTiles() {
    if (isMaximized() || isFullScreen()) return;
    const QSize chrome = Chrome();
    const QSize controls = controls_->sizeHint() + QSize(0, layout()->spacing());
    const station_layout::Size screen = ScreenRoom();
    const auto size = station_layout::GrownForTiles(
        {width() - chrome.width(), height() - chrome.height()}, {controls.width(), controls.height()},
        leastTile_, Tiles.size(), {screen.width - chrome.width(), screen.height - chrome.height()});
    const QSize grown(size.width + chrome.width(), size.height + chrome.height());
    if (grown == this->size()) return;
    resize(grown);
    KeepWithinScreen();
}

void StationWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Placed by the window manager, framed a moment later: kept within the screen's work area as
    // it opens, and again once, when its frame arrives.
    KeepWithinScreen();
    const QSize unframed = frameGeometry().size() - geometry().size();
    for (int ms : {50, 300, 1000}) {
        QTimer::singleShot(ms, this, [this, unframed] {
            if (framed_ || frameGeometry().size() - geometry().size() == unframed) return;
            framed_ = true;
            KeepWithinScreen();
        });
    }
}

void StationWindow::KeepWithinScreen() {
    if (isMaximized() || isFullScreen() || screen() == nullptr) return;
    const QRect outer = frameGeometry();
    const QRect work = screen()->availableGeometry();
    const layout::Box fitted =
        station_layout::WithinWorkArea({outer.x(), outer.y(), outer.width(), outer.height()},
                                       {work.x(), work.y(), work.width(), work.height()});
    if (fitted.width != outer.width() || fitted.height != outer.height()) {
        resize(width() - (outer.width() - fitted.width), height() - (outer.height() - fitted.height));
    }
    if (fitted.x != outer.x() || fitted.y != outer.y()) move(fitted.x, fitted.y);
}

void StationWindow::PlaceTiles() {
    const QSize room = tileScroll_->viewport()->size();
    grid_ = station_layout::ShareArea(Tiles.size(), {room.width(), room.height()}, leastTile_, stateHeight_);
    const station_layout::Size needed = station_layout::TileAreaSize(Tiles.size(), grid_.columns, grid_.tile);
    tileArea_->setMinimumSize(Tiles.empty() ? 0 : needed.width, Tiles.empty() ? 0 : needed.height);
    for (std::size_t i = 0; i < Tiles.size(); ++i) {
        const layout::Box box = station_layout::TileBox(i, grid_.columns, grid_.tile);
        Tiles[i]->setGeometry(box.x, box.y, box.width, box.height);
        Tiles[i]->SetGrowth(grid_.statePercent);
    }
}

bool StationWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == tileScroll_->viewport() && event->type() == QEvent::Resize) PlaceTiles();
    return QWidget::eventFilter(watched, event);
}

StationWindow::~StationWindow() { model_.reset(); }

void StationWindow::CreateControls() {
    setObjectName("StationWindow");
    setWindowTitle(Tr(text::kStationTitle));
    setFont(UiFont());
    auto* window = new QVBoxLayout(this);
    controls_ = new QWidget(this);
    auto* page = new QVBoxLayout(controls_);
    page->setContentsMargins(0, 0, 0, 0);
    window->addWidget(controls_);

    auto* packGroup = new QGroupBox(Tr(text::kStationPackGroup), this);
    auto* packRow = new QHBoxLayout(packGroup);
    ReadPack = new QPushButton(Tr(text::kReadPack), packGroup);
    PackFile = new QLineEdit(packGroup);
    Version = new QLineEdit(packGroup);
    Kind = new QLabel(packGroup);
    Kind->setFont(UiFont(true));
    for (QLineEdit* field : {PackFile, Version}) {
        field->setReadOnly(true);
        field->setFocusPolicy(Qt::NoFocus);
    }
    Version->setFixedWidth(60);
    PackFile->setMinimumWidth(160);
    packRow->addWidget(ReadPack);
    packRow->addWidget(new QLabel(Tr(text::kStationPackFile), packGroup));
    packRow->addWidget(PackFile, 1);
    packRow->addWidget(new QLabel(Tr(text::kVersion), packGroup));
    packRow->addWidget(Version);
    packRow->addWidget(Kind);
    page->addWidget(packGroup);

    auto* recordRow = new QHBoxLayout;
    RecordFile = new QLineEdit(this);
    RecordFile->setReadOnly(true);
    RecordFile->setFocusPolicy(Qt::NoFocus);
    ChooseRecord = new QPushButton(Tr(text::kStationChooseRecord), this);
    recordRow->addWidget(new QLabel(Tr(text::kStationRecordLabel), this));
    recordRow->addWidget(RecordFile, 1);
    recordRow->addWidget(ChooseRecord);
    page->addLayout(recordRow);

    auto* portsRow = new QHBoxLayout;
    Ports = new QListWidget(this);
    Ports->setFixedHeight(96);
    RefreshPorts = new QPushButton(Tr(text::kStationRefreshPorts), this);
    auto* portsSide = new QVBoxLayout;
    portsSide->addWidget(new QLabel(Tr(text::kStationPortsLabel), this));
    portsSide->addWidget(RefreshPorts);
    portsSide->addStretch();
    portsRow->addLayout(portsSide);
    portsRow->addWidget(Ports, 1);
    page->addLayout(portsRow);

    auto* actions = new QHBoxLayout;
    auto* modes = new QVBoxLayout;
    Fast = new QCheckBox(Tr(text::kStationFast), this);
    AutoSpeed = new QCheckBox(Tr(text::kStationAutoSpeed), this);
    AutoSpeed->setToolTip(Tr(text::kStationAutoSpeedTip));
    LabelRequired = new QCheckBox(Tr(text::kStationLabelRequired), this);
    LabelRequired->setToolTip(Tr(text::kStationLabelRequiredTip));
    for (QWidget* w : std::initializer_list<QWidget*>{Fast, AutoSpeed, LabelRequired}) modes->addWidget(w);
    Start = new QPushButton(Tr(text::kStationStart), this);
    Stop = new QPushButton(Tr(text::kStationStop), this);
    ProgramRunning = new QPushButton(Tr(text::kStationProgramRunning), this);
    SaveSetup = new QPushButton(Tr(text::kStationSaveSetup), this);
    actions->addLayout(modes);
    for (QWidget* w : std::initializer_list<QWidget*>{Start, Stop, ProgramRunning})
        actions->addWidget(w, 0, Qt::AlignVCenter);
    actions->addStretch();
    actions->addWidget(SaveSetup, 0, Qt::AlignVCenter);
    page->addLayout(actions);

    auto* status = new QHBoxLayout;
    Summary = new QLabel(this);
    Summary->setFont(UiFont(true));
    Summary->setWordWrap(true);
    Total = new QLabel(this);
    Total->setFont(TileFont(style::kTileTitlePixels));
    PerUnit = new QLabel(this);
    PerUnit->setFont(TileFont(style::kTileTitlePixels));
    status->addWidget(Summary, 1);
    status->addWidget(Total, 0, Qt::AlignTop);
    status->addSpacing(station_layout::kGap);
    status->addWidget(PerUnit, 0, Qt::AlignTop);
    page->addLayout(status);

    tileScroll_ = new QScrollArea(this);
    tileScroll_->setWidgetResizable(true);
    tileArea_ = new QWidget(tileScroll_);
    tileScroll_->setWidget(tileArea_);
    tileScroll_->viewport()->installEventFilter(this);
    window->addWidget(tileScroll_, 1);

    ticker_ = new QTimer(this);
    const auto handle = [this](auto handler) { return [this, handler] { RunHandler(prompts_, handler); }; };
    connect(ticker_, &QTimer::timeout, this, handle([this] { model_->Tick(); }));
    connect(ReadPack, &QPushButton::clicked, this, handle([this] { model_->ReadPackClick(); }));
    connect(ChooseRecord, &QPushButton::clicked, this, handle([this] { model_->ChooseRecordClick(); }));
    connect(RefreshPorts, &QPushButton::clicked, this, handle([this] { model_->RefreshPortsClick(); }));
    connect(Start, &QPushButton::clicked, this, handle([this] { model_->StartClick(); }));
    connect(Stop, &QPushButton::clicked, this, handle([this] { model_->StopClick(); }));
    connect(ProgramRunning, &QPushButton::clicked, this, handle([this] { model_->ProgramRunningClick(); }));
    connect(SaveSetup, &QPushButton::clicked, this, handle([this] { model_->SaveSetupClick(); }));
    connect(Fast, &QCheckBox::toggled, this, [this](bool on) { model_->FastToggled(on); });
    connect(AutoSpeed, &QCheckBox::toggled, this, [this](bool on) { model_->AutoSpeedToggled(on); });
    connect(LabelRequired, &QCheckBox::toggled, this, [this](bool on) { model_->LabelRequiredToggled(on); });
    connect(Ports, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        if (!fillingPorts_) model_->PortToggled(Ports->row(item), item->checkState() == Qt::Checked);
    });
}

void StationWindow::closeEvent(QCloseEvent* event) {
    bool close = false;
    RunHandler(prompts_, [this, &close] { close = model_->CloseRequested(); });
    if (close) {
        event->accept();
    } else {
        event->ignore();
    }
}

}  // namespace k5::app
