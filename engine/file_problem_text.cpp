#include "file_problem_text.h"

#include "file_error.h"
#include "message_text.h"
#include "port_error.h"
#include "translation.h"

namespace k5 {
namespace {

constexpr const char* kNotRegularFile = N_("not a regular file");

}  // namespace

std::string NotRegularFileText(const std::filesystem::path& path, std::string_view what) {
    std::error_code ec;
    // Looked at by name only: nothing here opens the file, which could block or act on a device.
    const auto status = std::filesystem::status(path, ec);
    if (ec || !std::filesystem::exists(status) || std::filesystem::is_regular_file(status)) return {};
    switch (status.type()) {
        case std::filesystem::file_type::directory:
            return FillIn(N_("a folder, not a %1"), {what});
        case std::filesystem::file_type::fifo:
            return N_("not a regular file: a FIFO");
        case std::filesystem::file_type::character:
            return N_("not a regular file: a character device");
        case std::filesystem::file_type::block:
            return N_("not a regular file: a block device");
        case std::filesystem::file_type::socket:
            return N_("not a regular file: a socket");
        default:
            return kNotRegularFile;
    }
}

std::string FileProblemText(const std::filesystem::path& path, int osError) {
    if (std::string kind = NotRegularFileText(path); !kind.empty()) return kind;
    switch (platform::KindOfFileError(osError)) {
        case platform::FileErrorKind::DiskFull:
            return N_("the disk is full");
        case platform::FileErrorKind::NotARegularFile:
            return kNotRegularFile;
        default:
            return platform::OsErrorText(osError);
    }
}

}  // namespace k5
