#include "port_lookup.h"

#include "device_names.h"
#include "port_survey.h"
#include "translation.h"
#include "window_texts.h"

namespace k5::app {
namespace {

// "; the adapter found is COM4" when exactly one USB adapter is there, and it is not `name`.
std::string AdapterHint(const std::string& name, const PortLookup& lookup) {
    const std::string adapter = lookup.present ? OnlyUsbAdapter(lookup.present()) : "";
    if (adapter.empty() || adapter == name) return "";
    return std::string("; ") + Tr(text::kPortAdapterFound) + " " + adapter;
}

}  // namespace

PortLookup SystemPortLookup(const SettingsFile& settings) {
    return {
        platform::PathExists,
        [&settings] { return ListPortChoices(settings); },
        [](const std::string& device) {
            std::vector<std::string> holders;
            for (const auto& holder : platform::SurveyPort(device).holders)
                holders.push_back(holder.command + " (pid " + std::to_string(holder.pid) + ")");
            return holders;
        },
    };
}

std::string PortLine(const std::string& name, const std::string& device, const PortLookup& lookup) {
    // A device path says where a COM name leads (Linux); on Windows the name is the device.
    const std::string where = platform::IsDevicePath(device) && device != name ? device : "";
    if (lookup.exists && !lookup.exists(device)) {
        return name + " " + Tr(text::kPortNotPresent) + (where.empty() ? "" : " (" + where + ")") +
               AdapterHint(name, lookup);
    }
    std::string description;
    if (lookup.present) {
        for (const auto& choice : lookup.present()) {
            if (choice.device == device) description = choice.description;
        }
    }
    if (description.empty()) description = platform::DeviceKind(device);
    std::string line = (where.empty() ? "" : where + ": ") + TranslateText(description);
    std::vector<std::string> holders = lookup.holders ? lookup.holders(device) : std::vector<std::string>{};
    for (std::size_t i = 0; i < holders.size(); ++i)
        line += (i == 0 ? std::string("; ") + Tr(text::kPortInUseBy) + " " : std::string(", ")) + holders[i];
    return line;
}

std::string PortAdvice(const std::string& name, const std::string& device, const std::string& reason,
                       const PortLookup& lookup) {
    return device + ": " + reason + AdapterHint(name, lookup);
}

}  // namespace k5::app
