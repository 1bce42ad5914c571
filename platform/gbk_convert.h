// Text stored as GBK (code page 936) bytes, converted only to be shown.
#pragma once

#include <optional>
#include <string>

namespace k5::platform {

// UTF-8 for GBK bytes; nothing when they are not valid GBK.
std::optional<std::string> GbkToUtf8(const std::string& gbk);

}  // namespace k5::platform
