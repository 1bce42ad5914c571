// A file that only ever grows by whole lines. Each Append is a single write at
// the file's end (O_APPEND; FILE_APPEND_DATA on Windows), under the file's lock,
// flushed to the disk before it returns: several processes appending to one
// file interleave whole lines. Linux may cut the write of a process killed
// inside it short; what such a writer left of its line is cut off by the next
// Open or Append, before anything else is written.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string_view>

namespace k5::platform {

class AppendFile {
  public:
    AppendFile();
    ~AppendFile();
    AppendFile(const AppendFile&) = delete;
    AppendFile& operator=(const AppendFile&) = delete;

    // Opens (creating) `path` for appending: 0, or the OS error.
    int Open(const std::filesystem::path& path);
    // The file's size when it was opened (0: a new or empty file).
    std::uint64_t SizeAtOpen() const { return sizeAtOpen_; }
    // Appends `line` (ending in its newline) in one write and flushes it: 0, or the OS error.
    int Append(std::string_view line);

  private:
    struct Handle;
    std::unique_ptr<Handle> handle_;
    std::uint64_t sizeAtOpen_ = 0;
};

}  // namespace k5::platform
