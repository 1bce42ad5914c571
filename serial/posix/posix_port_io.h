// The port on Linux: a tty device, eventfd events, a reader that polls the
// device and a writer that waits for room in the driver's queue. The system
// below it (SerialDevice, PosixSystem) is what tests replace with a fake.
#pragma once

#include <memory>

#include "port_io.h"
#include "serial_device.h"

namespace k5::serial::posix {

// Ports over the devices, events and threads of `system`.
std::shared_ptr<SerialPorts> PortsOver(std::shared_ptr<PosixSystem> system);

}  // namespace k5::serial::posix
