#include "port_dialog_model.h"

#include <algorithm>
#include <iterator>

#include "port_names.h"
#include "window_texts.h"

namespace k5::app {

PortDialogModel::PortDialogModel(PortDialogView& view, const SettingsFile& settings,
                                 const std::vector<int>& presentAbove9, PortLookup lookup)
    : view_(view),
      settings_(settings),
      lookup_(lookup.exists ? std::move(lookup) : SystemPortLookup(settings)) {
    const int first = static_cast<int>(std::size(text::kPortEntries));
    for (int n = 1; n <= first; ++n) numbers_.push_back(n);
    std::vector<int> above = presentAbove9;
    for (const auto& name : settings_.GetMappedNames()) {
        if (const auto n = ComPortNumber(name); n && *n > first && settings_.GetMappedDevice(name))
            above.push_back(*n);
    }
    std::sort(above.begin(), above.end());
    for (int n : above) {
        if (n > numbers_.back()) numbers_.push_back(n);
    }
}

std::string PortDialogModel::PortEntryText(int position) const {
    if (position < static_cast<int>(std::size(text::kPortEntries))) return text::kPortEntries[position];
    return "com" + std::to_string(numbers_.at(position));
}

std::string PortDialogModel::PortEntryDevice(int position) const {
    return ResolvePortName(ComPortName(numbers_.at(position)), settings_);
}

std::string PortDialogModel::PortEntryLine(int position) const {
    if (position < 0 || position >= PortEntryCount()) return "";
    return PortLine(ComPortName(numbers_[position]), PortEntryDevice(position), lookup_);
}

void PortDialogModel::PortSelectionChanged() {
    if (const int position = view_.SelectedPort(); position >= 0)
        return view_.ShowPortLine(PortEntryLine(position));
    // A stored port that is not listed (set by hand) is said all the same.
    const std::string stored = ComPortName(std::max(settings_.GetUartPort(), 1));
    view_.ShowPortLine(PortLine(stored, ResolvePortName(stored, settings_), lookup_));
}

void PortDialogModel::FormShow() {
    const int port = std::max(settings_.GetUartPort(), 1);  // Port=0 shows com1
    const auto at = std::find(numbers_.begin(), numbers_.end(), port);
    // A port not listed leaves nothing selected.
    view_.SelectPort(at != numbers_.end() ? static_cast<int>(at - numbers_.begin()) : -1);
    view_.SelectBaud(settings_.GetBaudIndex());
    PortSelectionChanged();
}

void PortDialogModel::Button1Click() {
    // Nothing selected: the stored port is not listed (set by hand, say
    // Port=40 for a port not there now) and stays as it is.
    if (const int position = view_.SelectedPort(); position >= 0 && position < PortEntryCount())
        settings_.SetUartPort(numbers_[position]);
    settings_.SetBaudIndex(view_.SelectedBaud());
    view_.CloseDialog(true);
}

void PortDialogModel::Button2Click() { view_.CloseDialog(false); }

}  // namespace k5::app
