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

// One port's tile: the port and its adapter, a large state, progress and counts, painted in one
// window, and its Program button, whose click goes to the tile's parent as command `programId`.
class StationTileWindow {
  public:
    StationTileWindow(HWND parent, const Win32Fonts& fonts, int programId);
    ~StationTileWindow();
    StationTileWindow(const StationTileWindow&) = delete;
    StationTileWindow& operator=(const StationTileWindow&) = delete;

    HWND Handle() const { return window_; }
    void Show(const StationTile& tile);
    const StationTile& Shown() const { return tile_; }
    Win32Gauge& Progress() { return *gauge_; }
    HWND Program() const { return program_; }
    // Places the tile at (x, y) in its parent's pixels, sized for `dpi` (the window's when it was made).
    void Place(int x, int y, UINT dpi);
    // Whether each text it shows fits its room (wrapped where the text may wrap).
    bool TextsFit() const;

  private:
    // Each text the tile paints, where (96 DPI, below the tile's top) and how.
    struct TextRoom {
        const std::string& text;
        HFONT font;
        COLORREF colour;
        int top, height;
        UINT flags;
    };

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    std::array<TextRoom, 4> TextRooms() const;
    void Paint(HDC dc);

    HWND window_ = nullptr;
    const Win32Fonts& fonts_;
    UINT dpi_ = 96;
    StationTile tile_;
    std::unique_ptr<Win32Gauge> gauge_;
    HWND program_ = nullptr;
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
        kTileProgramId = 2100,  // + the tile's index
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
    HWND Start = nullptr;
    HWND Stop = nullptr;
    HWND ProgramRunning = nullptr;
    HWND Summary = nullptr;
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
    int TileColumns() const;
    void PlaceTiles();
    void ScrollTilesTo(int position);
    // The client area the screen leaves beside the frame and a scroll bar (96 DPI).
    station_layout::Size ScreenRoom() const;
    void SetClientSize(int width, int height);
    // Large enough for the controls and every tile, within the screen.
    void ResizeToOpen();
    // Taller, within the screen, when the tiles need it.
    void GrowToShowTiles();
    void Command(int id);

    Win32Prompts& prompts_;
    HWND window_ = nullptr;
    UINT dpi_ = 96;
    std::unique_ptr<Win32Fonts> fonts_;
    HWND fileLabel_ = nullptr, versionLabel_ = nullptr, recordLabel_ = nullptr, portsLabel_ = nullptr;
    HWND tileArea_ = nullptr;
    int tileScroll_ = 0;  // how far the tiles are scrolled up, in pixels
    bool fillingPorts_ = false;
    std::unique_ptr<WindowView> view_;
    std::unique_ptr<StationWindowModel> model_;
};

}  // namespace k5::app::win32
