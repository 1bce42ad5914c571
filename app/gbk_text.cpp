#include "gbk_text.h"

#include <iconv.h>

#include <vector>

namespace k5::app {

QString FromGbk(const std::string& bytes) {
    iconv_t converter = iconv_open("UTF-8", "GBK");
    if (converter == reinterpret_cast<iconv_t>(-1))
        return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
    std::vector<char> out(bytes.size() * 2 + 4);
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    const std::size_t result = iconv(converter, &in, &inLeft, &outPtr, &outLeft);
    iconv_close(converter);
    if (result == static_cast<std::size_t>(-1)) {
        return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
    }
    return QString::fromUtf8(out.data(), static_cast<qsizetype>(out.size() - outLeft));
}

}  // namespace k5::app
