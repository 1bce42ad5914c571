// The main window on Qt: draws the controls and hands each click to the
// window model (main_window_model.h), which decides what it does. It owns the
// program's serial port component AVS1 and the session that runs on it.
#pragma once

#include <QMainWindow>
#include <QString>
#include <QTimer>
#include <memory>

#include "SerialComm.h"
#include "main_window_core.h"
#include "qt_dispatcher.h"
#include "settings_file.h"
#include "ui_prompts.h"
#include "window_texts.h"

class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QMenuBar;
class QToolBar;
class QToolButton;

namespace k5::app {

class TGauge;
class StationWindow;

inline constexpr const char* kWindowTitle = text::kWindowTitle;
inline constexpr const char* kStopAndCloseQuestion = text::kStopAndCloseQuestion;

class TF_UpdateDispController : public QMainWindow {
    Q_OBJECT
  public:
    // Everything given must outlive the window.
    TF_UpdateDispController(const SettingsFile& settings, UiPrompts& prompts, PackStore& pack,
                            QWidget* parent = nullptr);
    ~TF_UpdateDispController() override;

    // Appends a line to the log list, selects it and draws the list at once.
    void AddLog(const QString& text);

    // Reads `path` as Read Pack does (a pack given at start or handed over by a later start) once
    // no box or dialog is open; what it raises goes to the default error box.
    void OpenPackFile(const QString& path);
    // Un-minimises the window, raises it and asks for the focus.
    void BringToFront();

    // Event handlers.
    void Btn_ReadUserPackClick();
    void Btn_SendToControllerClick();
    void UartPort1Click();
    void FastTransfer1Click();
    void Station1Click();

    IapSession& Session() { return core_->Session(); }
    bool SessionRunning() const;

    // Controls, named as the window lays them out.
    QMenuBar* MainMenu1;
    QMenu* IAP1;
    QAction* UartPort1;
    QAction* FastTransfer1;  // checkable
    QAction* Station1;
    QMenu* Language1;  // the system's language, then each by its own name, checkable
    QToolBar* ToolBar1;
    QToolButton* Btn_ReadUserPack;
    QToolButton* Btn_SendToController;
    QGroupBox* GroupBox1;
    QLabel* Label5;
    QLineEdit* Edit_UpdateFileName;
    QLabel* Label1;
    QLineEdit* Edit_VerNum;
    QLabel* Label8;
    QLabel* Label2;
    QLabel* Image1;
    TGauge* Gauge1;
    QListWidget* ListBox1;
    QLabel* Label4;
    QLabel* Label3;
    QLabel* Label6;
    QLabel* Label7;
    serial::TComm* AVS1 = nullptr;     // owned by the core
    StationWindow* Station = nullptr;  // while it is open

  protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    class WindowView;

    void CreateControls();
    // Our own colours, each in its variant for the palette's background.
    void ApplyColours();
    void FitOuterSize();
    void RefitToFrame();
    // The Language menu's check mark on the item of `language` ("" the system's, "en" English).
    void CheckLanguageItem(const std::string& language);
    // Reads the packs that wait, one after the other, while no box or dialog is open; else looks again soon.
    void ReadWaitingPacks();

    const SettingsFile& settings_;
    UiPrompts& prompts_;
    PackStore& pack_;
    bool centred_ = false;
    bool frameSettled_ = false;
    QSize fittedFrame_;
    QTimer* waitingPackRetry_ = nullptr;

    // Torn down in reverse: the session and the port first, then what
    // carries their calls to this thread.
    QtDispatcher dispatcher_;
    std::unique_ptr<WindowView> windowView_;
    std::unique_ptr<MainWindowCore> core_;
};

// The main window of the program, while it exists.
extern TF_UpdateDispController* F_UpdateDispController;

}  // namespace k5::app
