#include "gbk_convert.h"
#include "win32_api.h"
#include "win32_text.h"

namespace k5::platform {

std::optional<std::string> GbkToUtf8(const std::string& gbk) {
    if (gbk.empty()) return std::string();
    constexpr UINT kGbk = 936;
    const int size = ::MultiByteToWideChar(kGbk, MB_ERR_INVALID_CHARS, gbk.data(),
                                           static_cast<int>(gbk.size()), nullptr, 0);
    if (size == 0) return std::nullopt;
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    ::MultiByteToWideChar(kGbk, MB_ERR_INVALID_CHARS, gbk.data(), static_cast<int>(gbk.size()), wide.data(),
                          size);
    return Narrow(wide);
}

}  // namespace k5::platform
