#include "station_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
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
#include "station_layout.h"
#include "station_tile.h"
#include "window_texts.h"

namespace k5::app {
namespace {

QFont TileFont(int pixels) {
    QFont font = UiFont(true);
    font.setPixelSize(pixels);
    return font;
}

}  // namespace

StationTileWidget::StationTileWidget(QWidget* parent) : QFrame(parent) {
    setObjectName("StationTile");
    setFrameShape(QFrame::Box);
    setFixedWidth(style::kTileWidth);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Minimum);
    // A card in the palette's colours for text fields, light or dark.
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::Base));
    palette.setColor(QPalette::WindowText, palette.color(QPalette::Text));
    setPalette(palette);
    auto* column = new QVBoxLayout(this);
    Title = new QLabel(this);
    Title->setFont(TileFont(style::kTileTitlePixels));
    Title->setWordWrap(true);
    State = new QLabel(this);
    State->setFont(TileFont(style::kTileStatePixels));
    Progress = new TGauge(this);
    Progress->setFixedHeight(20);
    Progress->setFont(UiFont());
    Detail = new QLabel(this);
    Detail->setFont(UiFont());
    Detail->setWordWrap(true);
    // The longest: the outcome, why the port went away, what Start does (each may wrap once).
    Detail->setMinimumHeight(5 * Detail->fontMetrics().lineSpacing());
    Detail->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Counts = new QLabel(this);
    Counts->setFont(UiFont(true));
    Program = new QPushButton(text::kTileProgram, this);
    Program->setEnabled(false);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(Counts, 1);
    bottom->addWidget(Program);
    for (QWidget* w : std::initializer_list<QWidget*>{Title, State, Progress, Detail}) column->addWidget(w);
    column->addLayout(bottom);
}

void StationTileWidget::Show(const StationTile& tile) {
    Title->setText(QString::fromStdString(tile.title));
    State->setText(QString::fromStdString(tile.state));
    QPalette palette = State->palette();
    const QColor background = this->palette().color(QPalette::Window);
    const style::Colour onCard{static_cast<std::uint8_t>(background.red()),
                               static_cast<std::uint8_t>(background.green()),
                               static_cast<std::uint8_t>(background.blue())};
    palette.setColor(QPalette::WindowText, ToQColor(style::OnBackground(ToneColour(tile.tone), onCard)));
    State->setPalette(palette);
    // The bar keeps its room while hidden: the tile does not jump as a transfer starts.
    QSizePolicy keep = Progress->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    Progress->setSizePolicy(keep);
    Progress->setVisible(tile.progressShown);
    if (tile.progressShown) {
        Progress->SetMaxValue(tile.maximum);
        Progress->SetProgress(tile.position);
    }
    Detail->setText(QString::fromStdString(tile.detail));
    Counts->setText(QString::fromStdString(tile.counts));
    Program->setEnabled(tile.canProgram);
}

// The window model's view of this window.
class StationWindow::WindowView : public StationWindowView {
  public:
    explicit WindowView(StationWindow& window) : w_(window) {}

    void SetField(Field field, const std::string& text) override {
        const QString shown = QString::fromStdString(text);
        switch (field) {
            case Field::PackFile:
                w_.PackFile->setText(shown);
                break;
            case Field::Version:
                w_.Version->setText(shown);
                break;
            case Field::Kind:
                w_.Kind->setText(shown);
                break;
            case Field::RecordFile:
                w_.RecordFile->setText(shown);
                break;
            case Field::Summary:
                w_.Summary->setText(shown);
                break;
        }
    }
    void Enable(Control control, bool enabled) override {
        QWidget* widgets[] = {w_.ReadPack,  w_.ChooseRecord, w_.Ports, w_.RefreshPorts,  w_.Fast,
                              w_.AutoSpeed, w_.Start,        w_.Stop,  w_.ProgramRunning};
        widgets[static_cast<int>(control)]->setEnabled(enabled);
    }
    void CheckFast(bool checked) override { w_.Fast->setChecked(checked); }
    void CheckAutoSpeed(bool checked) override { w_.AutoSpeed->setChecked(checked); }
    void SetPorts(const std::vector<StationPortEntry>& ports) override {
        w_.fillingPorts_ = true;
        w_.Ports->clear();
        for (const auto& port : ports) {
            auto* item = new QListWidgetItem(QString::fromStdString(port.label), w_.Ports);
            item->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled);
            item->setCheckState(port.checked ? Qt::Checked : Qt::Unchecked);
        }
        w_.fillingPorts_ = false;
    }
    void SetTiles(const std::vector<StationTile>& tiles) override {
        for (auto* tile : w_.Tiles) delete tile;
        w_.Tiles.clear();
        w_.tileColumns_ = 0;
        for (std::size_t i = 0; i < tiles.size(); ++i) {
            auto* tile = new StationTileWidget(w_.tileArea_);
            tile->Show(tiles[i]);
            QObject::connect(tile->Program, &QPushButton::clicked, &w_, [this, i] {
                RunHandler(w_.prompts_, [this, i] { w_.model_->ProgramPortClick(i); });
            });
            w_.Tiles.push_back(tile);
        }
        w_.FlowTiles();
        if (w_.isVisible()) w_.GrowToShowTiles();
    }
    void UpdateTile(std::size_t index, const StationTile& tile) override {
        if (index < w_.Tiles.size()) w_.Tiles[index]->Show(tile);
    }
    void Warning(const std::string& text) override {
        w_.prompts_.Warning(&w_, QString::fromStdString(text), text::kStationTitle);
    }
    bool Confirm(const std::string& text) override {
        return w_.prompts_.Confirm(&w_, QString::fromStdString(text), text::kStationTitle);
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
    view_ = std::make_unique<WindowView>(*this);
    const std::vector<std::string> recordFolders{
        QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation).toStdString(),
        QStandardPaths::writableLocation(QStandardPaths::HomeLocation).toStdString()};
    model_ = std::make_unique<StationWindowModel>(*view_, uiThread, settings, portUse, recordFolders);
    ResizeToOpen();
}

int StationWindow::TileHeight() {
    // As the grid sizes a tile: its wrapped labels' height at its width.
    const auto heightOf = [](const StationTileWidget& shown) {
        return std::max(shown.sizeHint().height(), shown.heightForWidth(style::kTileWidth));
    };
    int height = 0;
    for (const StationTileWidget* shown : Tiles) height = std::max(height, heightOf(*shown));
    if (Tiles.empty()) {
        StationTileWidget probe(tileArea_);
        probe.Show({"COM1", "", "", TileTone::Idle, false, 0, 0, "0 good, 0 failed", false});
        height = heightOf(probe);
    }
    return height;
}

void StationWindow::GrowToShowTiles() {
    if (isMaximized() || isFullScreen()) return;
    const int columns = station_layout::Columns(tileScroll_->viewport()->width(), style::kTileWidth);
    const int needed =
        station_layout::TileAreaSize(Tiles.size(), columns, {style::kTileWidth, TileHeight()}).height;
    const int missing = needed - tileScroll_->viewport()->height();
    const int room = screen()->availableGeometry().bottom() - frameGeometry().bottom();
    if (missing > 0 && room > 0) resize(width(), height() + std::min(missing, room));
}

void StationWindow::ResizeToOpen() {
    const station_layout::Size tile{style::kTileWidth, TileHeight()};
    const QMargins margins = layout()->contentsMargins();
    // The controls, the gap below them and the scroll area's frame.
    const int frame = 2 * tileScroll_->frameWidth();
    const QSize controls = controls_->sizeHint() + QSize(0, layout()->spacing() + frame);
    // Room for a scroll bar, should the screen be too small for every tile.
    const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    // What the screen leaves once the window's frame and title are drawn.
    const QSize frameAllowance(16, 48);
    const QSize screen =
        this->screen()->availableGeometry().size() - frameAllowance -
        QSize(margins.left() + margins.right() + frame + scrollBar, margins.top() + margins.bottom());
    const auto size = station_layout::OpeningSize({controls.width(), controls.height()}, tile, Tiles.size(),
                                                  {screen.width(), screen.height()});
    resize(size.width + margins.left() + margins.right() + frame + scrollBar,
           size.height + margins.top() + margins.bottom());
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

void StationWindow::FlowTiles() {
    const int columns = station_layout::Columns(tileScroll_->viewport()->width(), style::kTileWidth);
    if (columns == tileColumns_) return;
    tileColumns_ = columns;
    for (auto* tile : Tiles) tileGrid_->removeWidget(tile);
    for (std::size_t i = 0; i < Tiles.size(); ++i) {
        tileGrid_->addWidget(Tiles[i], static_cast<int>(i) / columns, static_cast<int>(i) % columns,
                             Qt::AlignTop);
    }
}

bool StationWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == tileScroll_->viewport() && event->type() == QEvent::Resize) FlowTiles();
    return QWidget::eventFilter(watched, event);
}

StationWindow::~StationWindow() { model_.reset(); }

void StationWindow::CreateControls() {
    setObjectName("StationWindow");
    setWindowTitle(text::kStationTitle);
    setFont(UiFont());
    auto* window = new QVBoxLayout(this);
    controls_ = new QWidget(this);
    auto* page = new QVBoxLayout(controls_);
    page->setContentsMargins(0, 0, 0, 0);
    window->addWidget(controls_);

    auto* packGroup = new QGroupBox(text::kStationPackGroup, this);
    auto* packRow = new QHBoxLayout(packGroup);
    ReadPack = new QPushButton(text::kReadPack, packGroup);
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
    packRow->addWidget(new QLabel(text::kStationPackFile, packGroup));
    packRow->addWidget(PackFile, 1);
    packRow->addWidget(new QLabel(text::kVersion, packGroup));
    packRow->addWidget(Version);
    packRow->addWidget(Kind);
    page->addWidget(packGroup);

    auto* recordRow = new QHBoxLayout;
    RecordFile = new QLineEdit(this);
    RecordFile->setReadOnly(true);
    RecordFile->setFocusPolicy(Qt::NoFocus);
    ChooseRecord = new QPushButton(text::kStationChooseRecord, this);
    recordRow->addWidget(new QLabel(text::kStationRecordLabel, this));
    recordRow->addWidget(RecordFile, 1);
    recordRow->addWidget(ChooseRecord);
    page->addLayout(recordRow);

    auto* portsRow = new QHBoxLayout;
    Ports = new QListWidget(this);
    Ports->setFixedHeight(96);
    RefreshPorts = new QPushButton(text::kStationRefreshPorts, this);
    auto* portsSide = new QVBoxLayout;
    portsSide->addWidget(new QLabel(text::kStationPortsLabel, this));
    portsSide->addWidget(RefreshPorts);
    portsSide->addStretch();
    portsRow->addLayout(portsSide);
    portsRow->addWidget(Ports, 1);
    page->addLayout(portsRow);

    auto* actions = new QHBoxLayout;
    Fast = new QCheckBox(text::kStationFast, this);
    AutoSpeed = new QCheckBox(text::kStationAutoSpeed, this);
    AutoSpeed->setToolTip(text::kStationAutoSpeedTip);
    Start = new QPushButton(text::kStationStart, this);
    Stop = new QPushButton(text::kStationStop, this);
    ProgramRunning = new QPushButton(text::kStationProgramRunning, this);
    Summary = new QLabel(this);
    Summary->setFont(UiFont(true));
    Summary->setWordWrap(true);
    for (QWidget* w : std::initializer_list<QWidget*>{Fast, AutoSpeed, Start, Stop, ProgramRunning})
        actions->addWidget(w);
    page->addLayout(actions);
    page->addWidget(Summary);

    tileScroll_ = new QScrollArea(this);
    tileScroll_->setWidgetResizable(true);
    tileArea_ = new QWidget(tileScroll_);
    tileGrid_ = new QGridLayout(tileArea_);
    tileGrid_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    tileGrid_->setSpacing(station_layout::kGap);
    tileGrid_->setContentsMargins(station_layout::kGap, station_layout::kGap, station_layout::kGap,
                                  station_layout::kGap);
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
    connect(Fast, &QCheckBox::toggled, this, [this](bool on) { model_->FastToggled(on); });
    connect(AutoSpeed, &QCheckBox::toggled, this, [this](bool on) { model_->AutoSpeedToggled(on); });
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
