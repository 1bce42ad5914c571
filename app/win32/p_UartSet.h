// The port dialog on Win32: "Uart port set", drawn here, its behaviour in the
// window model (port_dialog_model.h). Exists only while it is shown.
#pragma once

#include <memory>
#include <string>

#include "gui_api.h"
#include "port_dialog_model.h"
#include "settings_file.h"
#include "win32_fonts.h"
#include "win32_prompts.h"

namespace k5::app::win32 {

class TF_UartSet : public PortDialogView {
  public:
    // Shown centred on `centreOn`, which it keeps disabled while it is shown.
    TF_UartSet(const SettingsFile& settings, Win32Prompts& prompts, HWND centreOn);

    // Shows the dialog and returns when it has closed.
    void ShowModal();
    HWND Handle() const { return window_; }

    // Event handlers.
    void FormShow();
    void Button1Click();  // "Save"
    void Button2Click();  // "Exit"

    void SelectPort(int position) override;
    void SelectBaud(int position) override;
    int SelectedPort() const override;
    int SelectedBaud() const override;
    void CloseDialog(bool saved) override;
    void ShowPortLine(const std::string& text) override;

    // Controls, named as the dialog lays them out.
    HWND GroupBox2 = nullptr;
    HWND Label1 = nullptr;
    HWND ComboBox1 = nullptr;
    HWND Label2 = nullptr;
    HWND ComboBox2 = nullptr;
    HWND PortLine = nullptr;  // what the selected port is
    HWND Button1 = nullptr;
    HWND Button2 = nullptr;

  private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void CreateControls();
    // Fonts for `dpi`, given to the dialog and every control.
    void ApplyFonts(UINT dpi);
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void LayOut();
    // Each port entry's device as a tooltip, over the box and over its open list.
    void AddPortTips();
    const wchar_t* PortTip(HWND tool);

    Win32Prompts& prompts_;
    HWND centreOn_;
    HWND window_ = nullptr;
    HWND tips_ = nullptr;      // destroyed with the dialog, its owner
    HWND portList_ = nullptr;  // the port box's drop-down list
    std::wstring tipText_;
    std::unique_ptr<Win32Fonts> fonts_;
    PortDialogModel model_;
};

// The dialog while it is shown.
extern TF_UartSet* F_UartSet;

}  // namespace k5::app::win32
