// What the port dialog does, written once for both desktop programs: the port
// box lists com1 to com9, then the ports above COM9 that are there (Windows:
// present on the system; both: named in the settings' [Devices] section) and
// shows the stored port (nothing for one not listed). "Save" stores the
// selected entry's number (keeping the stored port when none is) and the
// hidden baud box's index, "Exit" stores nothing. Under the port box a line of
// ours says what the selected entry is (port_lookup.h), as the dialog opens and
// whenever the selection moves.
#pragma once

#include <string>
#include <vector>

#include "port_lookup.h"
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
    // The line under the port box.
    virtual void ShowPortLine(const std::string& text) = 0;
};

class PortDialogModel {
  public:
    // `presentAbove9`: the numbers of the COM ports above COM9 the system has; `lookup`:
    // how the machine is asked about a port (this machine's when not given).
    PortDialogModel(PortDialogView& view, const SettingsFile& settings, const std::vector<int>& presentAbove9,
                    PortLookup lookup = {});

    // The port box's entries: "com1" ... "com9", then "com12" and so on.
    int PortEntryCount() const { return static_cast<int>(numbers_.size()); }
    std::string PortEntryText(int position) const;
    // The device an entry of the port box opens (its tooltip): "COMn" as the
    // settings' [Devices] section resolves it.
    std::string PortEntryDevice(int position) const;
    // What the entry is now: present or not, its device and adapter, who holds it.
    std::string PortEntryLine(int position) const;

    void FormShow();
    void Button1Click();  // "Save"; a refused write raises and the dialog stays open
    void Button2Click();  // "Exit"
    void PortSelectionChanged();

  private:
    PortDialogView& view_;
    const SettingsFile& settings_;
    PortLookup lookup_;
    std::vector<int> numbers_;  // each entry's COM number
};

}  // namespace k5::app
