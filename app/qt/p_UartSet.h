// The port settings dialog: picks COM1 to COM9 and keeps the choice in the
// settings file. Exists only while "Uart Port" shows it.
#pragma once

#include <QDialog>

#include "device_names.h"
#include "port_dialog_model.h"
#include "settings_file.h"
#include "ui_prompts.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;

namespace k5::app {

// The port dialog on Qt: draws the controls; the dialog model decides what
// showing, "Save" and "Exit" do.
class TF_UartSet : public QDialog, private PortDialogView {
    Q_OBJECT
  public:
    // Created without an owner; shown centred on `centreOn`.
    TF_UartSet(const SettingsFile& settings, UiPrompts& prompts, QWidget* centreOn);

    void FormShow();
    void Button1Click();  // "Save"
    void Button2Click();  // "Exit"

    QGroupBox* GroupBox2;
    QLabel* Label1;
    QComboBox* ComboBox1;  // the port box
    QLabel* Label2;
    QComboBox* ComboBox2;  // the baud box, hidden
    QLabel* PortLine;      // what the selected port is
    QPushButton* Button1;
    QPushButton* Button2;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void SelectPort(int position) override;
    void SelectBaud(int position) override;
    int SelectedPort() const override;
    int SelectedBaud() const override;
    void CloseDialog(bool saved) override;
    void ShowPortLine(const std::string& text) override;

    const SettingsFile& settings_;
    UiPrompts& prompts_;
    QWidget* centreOn_;
    PortDialogModel model_{*this, settings_, platform::PresentComPortsAbove9()};
};

// The dialog while "Uart Port" shows it.
extern TF_UartSet* F_UartSet;

}  // namespace k5::app
