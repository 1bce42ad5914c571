// Reading the start of a pack file, with the loader's error codes: 2 file not
// found, 3 invalid file name (path), 4 too many open files, 5 access denied
// (a folder, or anything that is not a regular file, too), 100 read beyond end
// of file; any other code is the OS's own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace k5::platform {

inline constexpr int kFileNotFound = 2;
inline constexpr int kInvalidFilename = 3;
inline constexpr int kTooManyOpenFiles = 4;
inline constexpr int kAccessDenied = 5;
inline constexpr int kReadBeyondEnd = 100;

struct PackReadResult {
    int code = 0;     // 0, or one of the codes above
    int osError = 0;  // the OS's error (errno or GetLastError()), 0 for a short file
};

// Reads exactly `size` bytes from the start of the file `fileName` (UTF-8) into
// `buffer`, opening it read-only. A FIFO or a device is refused without being opened.
PackReadResult ReadFileStart(const std::string& fileName, std::uint8_t* buffer, std::size_t size);

}  // namespace k5::platform
