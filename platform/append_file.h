// A file that only ever grows by whole lines, and only by what this process
// appends: nothing already in it is changed or cut. Each Append is a single
// write at the file's end under the file's lock, flushed to the disk before it
// returns, so several processes appending to one file interleave whole lines.
// A write that fails part-way (a full disk) is taken back to the length the
// file had before it. A last line left without its newline (an editor, or a
// writer killed inside its write) gets one before the next line.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace k5::platform {

class AppendFile {
  public:
    // How much of the file's beginning Open reads, for its owner to check what the file is.
    static constexpr std::size_t kHeadBytes = 4096;

    AppendFile();
    ~AppendFile();
    AppendFile(const AppendFile&) = delete;
    AppendFile& operator=(const AppendFile&) = delete;

    // Opens (creating) `path` for appending: 0, or the OS error. Writes nothing.
    int Open(const std::filesystem::path& path);
    // The file's size when it was opened (0: a new or empty file).
    std::uint64_t SizeAtOpen() const { return sizeAtOpen_; }
    // The file's first bytes when it was opened (at most kHeadBytes).
    const std::string& Head() const { return head_; }
    // Appends `line` (ending in its newline) in one write and flushes it; `firstLine` goes
    // before it when the file is still empty (a header). 0, or the OS error.
    int Append(std::string_view line, std::string_view firstLine = {});

  private:
    struct Handle;
    std::unique_ptr<Handle> handle_;
    std::uint64_t sizeAtOpen_ = 0;
    std::string head_;
};

}  // namespace k5::platform
