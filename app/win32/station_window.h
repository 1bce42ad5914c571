// The station window on Win32: its controls and a tile per port, drawn from
// the station window model (station_window_model.h), which decides what each
// click does. Owned by the main window, which it stays in front of.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "gui_api.h"
#include "port_use.h"
#include "settings_file.h"
#include "station_layout.h"
#include "station_window_model.h"
#include "win32_dispatcher.h"
#include "win32_fonts.h"
#include "win32_gauge.h"
#include "win32_prompts.h"

namespace k5::app::win32 {

// The fonts a tile's growing lines are drawn in (not owned).
struct GrownFonts {
    HFONT state = nullptr;
    HFONT unit = nullptr;
};

// One port's tile, painted whole in its state's colours in one window: the port and its adapter, a
// large state with its mark, the label of the unit it is about, progress, detail and advice, the
// label field for the next update, counts, and its Program button. The button's click goes to the
// tile's parent as command `programId`; Enter in the label field as command `labelId` with
// notification kLabelEntered.
class StationTileWindow {
  public:
    // Its least size at 96 DPI, and the height of its lines that grow in a larger tile.
    static const station_layout::Size kLeast;
    static const int kGrowingHeight;
    static constexpr WORD kLabelEntered = 0x7E01;

    StationTileWindow(HWND parent, const Win32Fonts& fonts, int programId, int labelId);
    ~StationTileWindow();
    StationTileWindow(const StationTileWindow&) = delete;
    StationTileWindow& operator=(const StationTileWindow&) = delete;

    HWND Handle() const { return window_; }
    void Show(const StationTile& tile);
    const StationTile& Shown() const { return tile_; }
    Win32Gauge& Progress() { return *gauge_; }
    HWND Program() const { return program_; }
    HWND LabelField() const { return labelField_; }
    // Places the tile at (x, y) in its parent's pixels, `size` large (96 DPI) with its growing
    // lines at `percent` in `grown`, for `dpi` (the window's when it was made).
    void Place(int x, int y, station_layout::Size size, int percent, GrownFonts grown, UINT dpi);
    // Whether each text it shows fits its room (wrapped where the text may wrap).
    bool TextsFit() const;

  private:
    // Each text the tile paints, where (96 DPI, below the tile's top; left of it: `indent`) and how.
    struct TextRoom {
        std::string text;
        HFONT font;
        int top, height, indent;
        UINT flags;
        int width = 0;  // the room's, at 96 DPI (TextRooms)
    };
    struct Rooms;

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK LabelFieldProc(HWND field, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                           DWORD_PTR tile);
    Rooms Layout() const;
    // Each in its font, made smaller where a longer language's text would not fit its room (drawn on `dc`).
    std::vector<TextRoom> TextRooms(HDC dc) const;
    void Paint(HDC dc);

    HWND window_ = nullptr;
    const Win32Fonts& fonts_;
    UINT dpi_ = 96;
    station_layout::Size size_;
    int percent_ = 100;
    GrownFonts grown_;
    int labelId_ = 0;
    StationTile tile_;
    std::unique_ptr<Win32Gauge> gauge_;
    HWND program_ = nullptr;
    HWND labelField_ = nullptr;
};

class StationWindow {
  public:
    enum CommandId : int {
        kReadPackId = 2001,
        kChooseRecordId,
        kRefreshPortsId,
        kFastId,
        kAutoSpeedId,
        kStartId,
        kStopId,
        kProgramRunningId,
        kLabelRequiredId,
        kSaveSetupId,
        kTileProgramId = 2100,  // + the tile's index
        kTileLabelId = 2200,    // + the tile's index
    };

    // Made hidden; Show() shows it. Everything given must outlive the window.
    // `listPorts` lists the ports to choose from (by default the system's, as `k5-iap ports` does).
    StationWindow(Win32Dispatcher& uiThread, const SettingsFile& settings, Win32Prompts& prompts,
                  PortUse& portUse, HWND owner, StationWindowModel::ListPorts listPorts = {});
    ~StationWindow();
    StationWindow(const StationWindow&) = delete;
    StationWindow& operator=(const StationWindow&) = delete;

    HWND Handle() const { return window_; }
    void Show();
    StationWindowModel& Model() { return *model_; }
    // Called once the window has been destroyed.
    std::function<void()> OnClosed;

    // A click on a button, as the button sends it (a tile's Program: kTileProgramId + its index).
    void Click(int command);
    // Whether a control is there to use: shown and enabled.
    bool Offered(HWND control) const;
    // Ticks a port's check box, as a click on it does.
    void CheckPort(int row, bool checked);
    int PortCount() const;
    std::string PortLabel(int row) const;
    std::string TextOf(HWND control) const;

    HWND ReadPack = nullptr;
    HWND PackFile = nullptr;
    HWND Version = nullptr;
    HWND Kind = nullptr;
    HWND RecordFile = nullptr;
    HWND ChooseRecord = nullptr;
    HWND Ports = nullptr;
    HWND RefreshPorts = nullptr;
    HWND Fast = nullptr;
    HWND AutoSpeed = nullptr;
    HWND LabelRequired = nullptr;
    HWND Start = nullptr;
    HWND Stop = nullptr;
    HWND ProgramRunning = nullptr;
    HWND SaveSetup = nullptr;
    HWND Summary = nullptr;
    HWND Total = nullptr;
    HWND PerUnit = nullptr;
    std::vector<std::unique_ptr<StationTileWindow>> Tiles;
    // Holds the tiles below the controls, and scrolls them when they are more than it shows.
    HWND TileArea() const { return tileArea_; }

  private:
    class WindowView;
    struct Placed;

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK TileAreaProc(HWND area, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    Win32Prompts& Prompts() { return prompts_; }
    void CreateControls();
    // The controls across the client's width at the window's DPI, the tiles below them.
    void LayOut();
    // The fields whose texts the model sets (the summary, the kind, the totals): each in a smaller
    // face where a longer language's text would not fit it.
    void FitShownTexts();
    // The tiles sharing the tile area's width (less room for a scroll bar) and height.
    void PlaceTiles();
    // Enter in tile `index`'s label field: its text to the model; the field emptied once taken.
    void LabelEntered(std::size_t index);
    void ScrollTilesTo(int position);
    // The client area the screen leaves beside the frame and a scroll bar (96 DPI).
    station_layout::Size ScreenRoom() const;
    void SetClientSize(int width, int height);
    // Large enough for the controls and every tile, within the screen.
    void ResizeToOpen();
    // At Start: large enough for every tile, within the screen.
    void GrowToShowTiles();
    // Moved, and made smaller if need be, to lie within the screen's work area.
    void KeepWithinWorkArea();
    void Command(int id);

    Win32Prompts& prompts_;
    HWND window_ = nullptr;
    UINT dpi_ = 96;
    std::unique_ptr<Win32Fonts> fonts_;
    HWND fileLabel_ = nullptr, versionLabel_ = nullptr, recordLabel_ = nullptr, portsLabel_ = nullptr;
    HWND tileArea_ = nullptr;
    int tileScroll_ = 0;  // how far the tiles are scrolled up, in pixels
    station_layout::TileGrid grid_{1, {0, 0}, 0};
    GrownFonts grown_;  // at grid_.statePercent
    bool fillingPorts_ = false;
    bool locked_ = false;
    std::unique_ptr<WindowView> view_;
    std::unique_ptr<StationWindowModel> model_;
};

}  // namespace k5::app::win32
