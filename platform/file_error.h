// What a file's OS error means, for the words a front end shows.
#pragma once

namespace k5::platform {

enum class FileErrorKind {
    DiskFull,         // no room left on the disk, or in the user's share of it
    NotARegularFile,  // refused by the file services: a pipe or a device (Windows; on Linux the
                      // file's kind tells, since EINVAL means more than that)
    Other,
};

// The error the file services give for what is not a regular file on a disk.
extern const int kNotARegularFileError;

FileErrorKind KindOfFileError(int osError);

}  // namespace k5::platform
