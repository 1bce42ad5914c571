// The station window on Qt: its controls and a tile per port, drawn from the
// station window model (station_window_model.h), which decides what each
// click does. Made by the main window, which it stays in front of.
#pragma once

#include <QFrame>
#include <QLabel>
#include <QWidget>
#include <memory>
#include <vector>

#include "port_use.h"
#include "settings_file.h"
#include "station_layout.h"
#include "station_window_model.h"
#include "tile_look.h"
#include "ui_prompts.h"

class QCheckBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QScrollArea;
class QTimer;

namespace k5::app {

class TGauge;
class QtDispatcher;

// A tile's state word with its mark before it, drawn as large as the tile lets it grow.
class TileStateLabel : public QLabel {
    Q_OBJECT
  public:
    explicit TileStateLabel(QWidget* parent);
    // The mark, and for the ring how much of the transfer is done (per cent).
    void SetMark(TileMark mark, int percentDone);
    // Drawn at `percent` of its font's size (station_layout::StatePercent).
    void SetGrowth(int percent);
    int Growth() const { return growth_; }
    // The height of its line at `percent` of its font's size.
    int LineHeight(int percent) const;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    int MarkSide(int percent) const;

    TileMark mark_ = TileMark::None;
    int done_ = 0;
    int growth_ = 100;
};

// One port's tile, painted whole in its state's colours: the port and its adapter, a large state
// with its mark, the label of the unit it is about, progress, detail and advice, the label field
// for the next update, counts and its Program button.
class StationTileWidget : public QFrame {
    Q_OBJECT
  public:
    explicit StationTileWidget(QWidget* parent);
    void Show(const StationTile& tile);
    const StationTile& Shown() const { return tile_; }
    // Its state and the unit's label drawn at `percent` of their size (station_layout::StatePercent).
    void SetGrowth(int percent);
    // The height of the lines that grow, at their own size.
    int GrowingHeight() const;

    QLabel* Title;
    TileStateLabel* State;
    QLabel* Unit;  // the running or last update's label
    TGauge* Progress;
    QLabel* Detail;
    QLabel* Advice;
    QLineEdit* LabelField;
    QLabel* LabelNote;  // the label taken for the next update, or why a text was refused
    QLabel* Counts;
    QPushButton* Program;

  private:
    QPalette plain_;  // the window's own colours, for an idle tile
    StationTile tile_;
};

class StationWindow : public QWidget {
    Q_OBJECT
  public:
    // Everything given must outlive the window. `closed` is called as it closes.
    StationWindow(QtDispatcher& uiThread, const SettingsFile& settings, UiPrompts& prompts, PortUse& portUse,
                  QWidget* parent);
    ~StationWindow() override;

    StationWindowModel& Model() { return *model_; }
    // How the tiles share the tile area now.
    station_layout::TileGrid Grid() const { return grid_; }
    // The size every tile has at least: room for the longest texts of the language in use.
    QSize LeastTile() const { return {leastTile_.width, leastTile_.height}; }

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
    QCheckBox* LabelRequired;
    QPushButton* Start;
    QPushButton* Stop;
    QPushButton* ProgramRunning;
    QPushButton* SaveSetup;
    QLabel* Summary;
    QLabel* Total;
    QLabel* PerUnit;
    std::vector<StationTileWidget*> Tiles;

  protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    class WindowView;

    void CreateControls();
    // A tile of the least size, and its state line's height, from a tile showing the most it says.
    void MeasureLeastTile();
    // What the window's margins and the tile area's frame take beside the controls and the tiles.
    QSize Chrome() const;
    // What the screen's work area leaves for the client area.
    station_layout::Size ScreenRoom() const;
    // Large enough for the controls and every tile, within the screen.
    void ResizeToOpen();
    // At Start: large enough for every tile, within the screen.
    void GrowToShowTiles();
    // Moved, and made smaller if need be, to lie within the screen's work area.
    void KeepWithinScreen();
    // The tiles sharing the tile area's width and height.
    void PlaceTiles();

    UiPrompts& prompts_;
    QWidget* controls_ = nullptr;
    QScrollArea* tileScroll_ = nullptr;
    QWidget* tileArea_ = nullptr;
    station_layout::Size leastTile_{0, 0};
    int stateHeight_ = 0;
    station_layout::TileGrid grid_{1, {0, 0}, 100};
    QTimer* ticker_ = nullptr;
    bool fillingPorts_ = false;
    bool locked_ = false;
    bool framed_ = false;  // kept within the screen once its frame arrived
    std::unique_ptr<WindowView> view_;
    std::unique_ptr<StationWindowModel> model_;
};

}  // namespace k5::app
