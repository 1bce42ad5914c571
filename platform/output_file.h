// A file written from its start, replacing what it held: a trace, say. Only a
// regular file on a disk is written: a FIFO, a pipe or a device is refused as
// it opens, without waiting for a reader and without acting on a device, so a
// wrong name cannot hang the program that writes.
#pragma once

#include <filesystem>
#include <memory>
#include <string_view>

namespace k5::platform {

class OutputFile {
  public:
    OutputFile();
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Opens (creating) `path` and empties it: 0, or the OS error (kNotARegularFileError, or
    // EISDIR on Linux, for what is not a regular file, which is then left as it was).
    int Open(const std::filesystem::path& path);
    // Writes all of `text` after what was written before: 0, or the OS error.
    int Write(std::string_view text);

  private:
    struct Handle;
    std::unique_ptr<Handle> handle_;
};

}  // namespace k5::platform
