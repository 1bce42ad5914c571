// Replacing a small file whole, safely against crashes and against other
// programs that edit the same file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace k5::platform {

// How lines end in a text file this platform's programs write: "\n" or "\r\n".
extern const char* const kNativeNewline;

// An exclusive lock held while it lives, shared by every program that edits
// `file` through it: a read-modify-write under it loses no other program's write.
// Lock the file's folder, not the file, since a replace swaps the file itself.
class FileEditLock {
  public:
    explicit FileEditLock(const std::filesystem::path& file);
    ~FileEditLock();
    FileEditLock(const FileEditLock&) = delete;
    FileEditLock& operator=(const FileEditLock&) = delete;

    int Error() const { return error_; }  // 0 when held, else the OS error

  private:
    std::intptr_t handle_ = 0;  // Linux: the folder's descriptor + 1; Windows: a mutex
    int error_ = 0;
};

// Whether the existing file `target` may be replaced: 0 with its permission
// bits in `mode`, ENOENT when there is none, or the OS error. A file without
// write permission is refused even where the user could override that (root):
// read-only is what the user meant.
int CheckReplaceable(const std::filesystem::path& target, unsigned& mode);

// Reads the whole file. 0, or the OS error (a missing file is ENOENT).
int ReadWholeFile(const std::filesystem::path& file, std::string& contents);

// Replaces `target` with `contents` in one step: a reader sees the old file or
// the new one, never a part of either, and a crash or a kill leaves no
// temporary file that the next replace does not clear. Call it under a
// FileEditLock. `mode` holds the new file's permission bits. 0, or the OS error.
int ReplaceFileContents(const std::filesystem::path& target, std::string_view contents, unsigned mode);

}  // namespace k5::platform
