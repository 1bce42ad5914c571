// How the front ends word a file that cannot be opened, read or written: what
// the file is when it is no regular file, else what the OS said.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "translation.h"

namespace k5 {

// What stands at `path` when it is there but is no regular file: "not a regular file: a FIFO"
// (or a character device, a block device, a socket), or "a folder, not a <what>". Empty for a
// regular file, or when nothing is there.
std::string NotRegularFileText(const std::filesystem::path& path, std::string_view what = N_("file"));

// What the loader's own text does not say of a pack file that cannot be read: what stands
// at `path` when it is no regular file ("not a regular file: a FIFO"), or nothing.
inline std::string PackFileDetail(const std::filesystem::path& path) {
    return NotRegularFileText(path, N_("pack file"));
}

// Why the file at `path` failed with `osError`: NotRegularFileText when it says something,
// "the disk is full" for a full disk, else the OS's own text.
std::string FileProblemText(const std::filesystem::path& path, int osError);

}  // namespace k5
