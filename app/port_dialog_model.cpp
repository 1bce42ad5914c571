#include "port_dialog_model.h"

#include <iterator>

#include "port_names.h"
#include "window_texts.h"

namespace k5::app {

PortDialogModel::PortDialogModel(PortDialogView& view, const SettingsFile& settings)
    : view_(view), settings_(settings) {}

std::string PortDialogModel::PortEntryDevice(int position) const {
    return ResolvePortName("COM" + std::to_string(position + 1), settings_);
}

void PortDialogModel::FormShow() {
    const int port = settings_.GetUartPort();
    const int position = port >= 1 ? port - 1 : 0;
    // A port beyond the last entry leaves nothing selected.
    view_.SelectPort(position < static_cast<int>(std::size(text::kPortEntries)) ? position : -1);
    view_.SelectBaud(settings_.GetBaudIndex());
}

void PortDialogModel::Button1Click() {
    // Nothing selected: the stored port is beyond the list (set by hand, say
    // Port=12) and stays as it is.
    if (const int position = view_.SelectedPort(); position >= 0) settings_.SetUartPort(position + 1);
    settings_.SetBaudIndex(view_.SelectedBaud());
    view_.CloseDialog(true);
}

void PortDialogModel::Button2Click() { view_.CloseDialog(false); }

}  // namespace k5::app
