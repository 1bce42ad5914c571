#include "port_survey.h"

namespace k5::platform {

PortSurvey SurveyPort(const std::string& device, const SurveyRoots&) {
    PortSurvey survey;
    // "COM3", "\\.\COM3": the ports class knows the port by its COM name.
    const std::string name = device.rfind("\\\\.\\", 0) == 0 ? device.substr(4) : device;
    for (const auto& info : ListSerialDevices()) {
        if (info.device == name) survey.listed = info;
    }
    return survey;
}

std::vector<PortHolder> FindPortHolders(const std::string&, const std::string&) { return {}; }

}  // namespace k5::platform
