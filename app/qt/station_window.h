// The station window on Qt: its controls and a tile per port, drawn from the
// station window model (station_window_model.h), which decides what each
// click does. Made by the main window, which it stays in front of.
#pragma once

#include <QFrame>
#include <QWidget>
#include <memory>
#include <vector>

#include "port_use.h"
#include "settings_file.h"
#include "station_window_model.h"
#include "ui_prompts.h"

class QCheckBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QScrollArea;
class QTimer;

namespace k5::app {

class TGauge;
class QtDispatcher;

// One port's tile: the port and its adapter, a large state, progress, counts and its Program button.
class StationTileWidget : public QFrame {
    Q_OBJECT
  public:
    explicit StationTileWidget(QWidget* parent);
    void Show(const StationTile& tile);

    QLabel* Title;
    QLabel* State;
    TGauge* Progress;
    QLabel* Detail;
    QLabel* Counts;
    QPushButton* Program;
};

class StationWindow : public QWidget {
    Q_OBJECT
  public:
    // Everything given must outlive the window. `closed` is called as it closes.
    StationWindow(QtDispatcher& uiThread, const SettingsFile& settings, UiPrompts& prompts, PortUse& portUse,
                  QWidget* parent);
    ~StationWindow() override;

    StationWindowModel& Model() { return *model_; }

    QPushButton* ReadPack;
    QLineEdit* PackFile;
    QLineEdit* Version;
    QLabel* Kind;
    QLineEdit* RecordFile;
    QPushButton* ChooseRecord;
    QListWidget* Ports;
    QPushButton* RefreshPorts;
    QCheckBox* Fast;
    QCheckBox* AutoSpeed;
    QPushButton* Start;
    QPushButton* Stop;
    QPushButton* ProgramRunning;
    QLabel* Summary;
    std::vector<StationTileWidget*> Tiles;

  protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    class WindowView;

    void CreateControls();
    // A tile's height as the grid gives it.
    int TileHeight();
    // Large enough for the controls and every tile, within the screen.
    void ResizeToOpen();
    // Taller, within the screen, when the tiles need it.
    void GrowToShowTiles();
    // Moved, and made smaller if need be, to lie within the screen's work area.
    void KeepWithinScreen();
    // The tiles in as many columns as the tile area's width holds.
    void FlowTiles();

    UiPrompts& prompts_;
    QWidget* controls_ = nullptr;
    QScrollArea* tileScroll_ = nullptr;
    QWidget* tileArea_ = nullptr;
    QGridLayout* tileGrid_ = nullptr;
    int tileColumns_ = 0;  // as the tiles were last laid out
    QTimer* ticker_ = nullptr;
    bool fillingPorts_ = false;
    bool framed_ = false;  // kept within the screen once its frame arrived
    std::unique_ptr<WindowView> view_;
    std::unique_ptr<StationWindowModel> model_;
};

}  // namespace k5::app
