// What the port dialog does, written once for both desktop programs: the port
// box shows the stored port (nothing for a port beyond COM9), "Save" stores
// the selected entry (keeping the stored port when none is) and the hidden
// baud box's index, "Exit" stores nothing.
#pragma once

#include <string>

#include "settings_file.h"

namespace k5::app {

class PortDialogView {
  public:
    virtual ~PortDialogView() = default;
    // Positions in the port box (-1: none) and in the hidden baud box.
    virtual void SelectPort(int position) = 0;
    virtual void SelectBaud(int position) = 0;
    virtual int SelectedPort() const = 0;
    virtual int SelectedBaud() const = 0;
    virtual void CloseDialog(bool saved) = 0;
};

class PortDialogModel {
  public:
    PortDialogModel(PortDialogView& view, const SettingsFile& settings);

    // The device an entry of the port box opens (its tooltip): "COMn" as the
    // settings' [Devices] section resolves it.
    std::string PortEntryDevice(int position) const;

    void FormShow();
    void Button1Click();  // "Save"; a refused write raises and the dialog stays open
    void Button2Click();  // "Exit"

  private:
    PortDialogView& view_;
    const SettingsFile& settings_;
};

}  // namespace k5::app
