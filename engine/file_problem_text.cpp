#include "file_problem_text.h"

#include "file_error.h"
#include "port_error.h"

namespace k5 {
namespace {

constexpr std::string_view kNotRegularFile = "not a regular file";

}  // namespace

std::string NotRegularFileText(const std::filesystem::path& path, std::string_view what) {
    std::error_code ec;
    // Looked at by name only: nothing here opens the file, which could block or act on a device.
    const auto status = std::filesystem::status(path, ec);
    if (ec || !std::filesystem::exists(status) || std::filesystem::is_regular_file(status)) return {};
    const std::string notRegular(kNotRegularFile);
    switch (status.type()) {
        case std::filesystem::file_type::directory:
            return "a folder, not a " + std::string(what);
        case std::filesystem::file_type::fifo:
            return notRegular + ": a FIFO";
        case std::filesystem::file_type::character:
            return notRegular + ": a character device";
        case std::filesystem::file_type::block:
            return notRegular + ": a block device";
        case std::filesystem::file_type::socket:
            return notRegular + ": a socket";
        default:
            return notRegular;
    }
}

std::string FileProblemText(const std::filesystem::path& path, int osError) {
    if (std::string kind = NotRegularFileText(path); !kind.empty()) return kind;
    switch (platform::KindOfFileError(osError)) {
        case platform::FileErrorKind::DiskFull:
            return "the disk is full";
        case platform::FileErrorKind::NotARegularFile:
            return std::string(kNotRegularFile);
        default:
            return platform::OsErrorText(osError);
    }
}

}  // namespace k5
