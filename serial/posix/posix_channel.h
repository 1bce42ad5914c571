// The port channel on Linux: a tty device, an eventfd stop event, a reader
// that polls the device and a writer fed through a queue. The device layer
// below it (SerialDevice, SerialBackend) is what tests replace with a fake.
#pragma once

#include <memory>

#include "port_channel.h"
#include "serial_device.h"

namespace k5::serial::posix {

// Channels over the devices, events and threads of `backend`.
std::shared_ptr<PortBackend> ChannelsOver(std::shared_ptr<SerialBackend> backend);

}  // namespace k5::serial::posix
