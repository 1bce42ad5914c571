// Text stored as GBK (code page 936) bytes, converted only to be shown.
#pragma once

#include <QString>
#include <string>

namespace k5::app {

QString FromGbk(const std::string& bytes);

}  // namespace k5::app
