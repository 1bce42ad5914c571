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

// The most ReadWholeFile reads: far above any settings file.
inline constexpr std::size_t kLargestReadableFile = 1 << 20;

// What a replace keeps of the file it replaces. Owner and group are -1 where
// the platform has none to keep (Windows).
struct FileKeep {
    unsigned mode = 0644;  // permission bits
    long owner = -1;
    long group = -1;
};

// Whether the existing file `target` may be replaced: 0 with what a replace
// keeps of it in `keep`, ENOENT when there is none, or the OS error (EISDIR for
// a folder, EINVAL for anything else that is not a plain file). A file without
// write permission is refused even where the user could override that (root):
// read-only is what the user meant.
int CheckReplaceable(const std::filesystem::path& target, FileKeep& keep);

// Reads the whole file. 0, or the OS error (a missing file is ENOENT, a file
// over `largest` bytes EFBIG).
int ReadWholeFile(const std::filesystem::path& file, std::string& contents,
                  std::size_t largest = kLargestReadableFile);

// Replaces `target` with `contents` in one step: a reader sees the old file or
// the new one, never a part of either, and a crash or a kill leaves no
// temporary file that the next replace does not clear. The new file gets
// `keep`'s mode, owner and group. Where the folder does not let a new file be
// made there, or the owner cannot be kept, the file is written in place
// instead (flushed; a crash then can leave it half written). Call it under a
// FileEditLock. 0, or the OS error.
int ReplaceFileContents(const std::filesystem::path& target, std::string_view contents, const FileKeep& keep);

}  // namespace k5::platform
