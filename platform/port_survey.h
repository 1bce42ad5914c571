// What stands around a serial port on this machine and commonly breaks it:
// for `k5-iap doctor`. Linux: the processes that hold the device open (from
// /proc), ModemManager and whether udev tells it to leave the device alone,
// brltty's rules that take CH340/CH341 adapters for braille displays.
// Both: the port as the system lists it (Windows: with its driver's provider
// and version).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "serial_ports.h"

namespace k5::platform {

// Where the survey looks; tests lay out their own trees.
struct SurveyRoots {
    std::string sys = "/sys";
    std::string proc = "/proc";
    std::string run = "/run";  // udev's device database under <run>/udev/data
    std::vector<std::string> udevRules = {"/usr/lib/udev/rules.d", "/lib/udev/rules.d", "/etc/udev/rules.d"};
};

struct PortHolder {
    long pid = 0;
    std::string command;
};

struct PortSurvey {
    std::vector<PortHolder> holders;            // other processes with the device open
    bool modemManagerRunning = false;           // a process named ModemManager
    bool modemManagerIgnores = false;           // udev gives the device ID_MM_DEVICE_IGNORE=1
    std::vector<std::string> brlttyCh340Rules;  // brltty's rules files that claim 1a86:7523
    // The port as the system lists it (USB ids, driver; on Windows the driver's
    // provider and version); nothing where it is not listed.
    std::optional<SerialDeviceInfo> listed;
};

PortSurvey SurveyPort(const std::string& device, const SurveyRoots& roots = {});

// The other processes that have `device` open (Linux, from <proc>/*/fd); none on
// Windows, which does not tell.
std::vector<PortHolder> FindPortHolders(const std::string& device, const std::string& proc = "/proc");

}  // namespace k5::platform
