#include <iconv.h>

#include <vector>

#include "gbk_convert.h"

namespace k5::platform {

std::optional<std::string> GbkToUtf8(const std::string& gbk) {
    iconv_t converter = iconv_open("UTF-8", "GBK");
    if (converter == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::vector<char> out(gbk.size() * 2 + 4);  // a GBK character is never shorter than half its UTF-8
    char* in = const_cast<char*>(gbk.data());
    std::size_t inLeft = gbk.size();
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    const std::size_t result = iconv(converter, &in, &inLeft, &outPtr, &outLeft);
    iconv_close(converter);
    if (result == static_cast<std::size_t>(-1)) return std::nullopt;
    return std::string(out.data(), out.size() - outLeft);
}

}  // namespace k5::platform
