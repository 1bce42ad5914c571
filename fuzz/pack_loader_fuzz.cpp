// libFuzzer target: LoadPack on arbitrary file contents. Every read and write
// must stay inside the pack buffer, and a true result must describe a sound pack.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "p_HexConvertFun.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static k5::PackStore store;
    static const int fd = ::memfd_create("k5-pack-fuzz", 0);
    static const std::string path = "/proc/self/fd/" + std::to_string(fd);
    if (fd < 0) std::abort();
    if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) std::abort();

    bool valid = false;
    try {
        valid = store.LoadPack(path);
    } catch (const k5::EInOutError& e) {
        if (size >= k5::kPackRecordSize || e.Code() != 100) std::abort();
        return 0;
    }
    if (size < k5::kPackRecordSize) std::abort();
    if (valid) {
        const auto& h = store.Header();
        if (h.ImageLength() > k5::kMaxImageLength) std::abort();
        std::uint32_t sum = 0;
        for (std::uint32_t i = 0; i < h.ImageLength(); ++i) sum += store.Image()[i];
        if (sum != h.ImageSum()) std::abort();
    }
    return 0;
}
