#include "gbk_text.h"

#include "gbk_convert.h"

namespace k5::app {

QString FromGbk(const std::string& bytes) {
    if (auto utf8 = platform::GbkToUtf8(bytes)) {
        return QString::fromUtf8(utf8->data(), static_cast<qsizetype>(utf8->size()));
    }
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

}  // namespace k5::app
