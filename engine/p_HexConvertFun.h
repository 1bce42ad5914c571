// The update pack loader: the pack buffer, the pack header record and LoadPack.
//
// A pack file is one 131072-byte record: a 32-byte header scrambled with the
// header key, the two header-key bytes, then the image scrambled with the image
// key and filler. LoadPack reads the record, unscrambles the header and the
// image (in place) and checks the header CRC and the image sum.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

#include "pack_header.h"
#include "protocol.h"
#include "translation.h"

namespace k5 {

inline constexpr std::size_t kPackRecordSize = 131072;
inline constexpr std::size_t kHeaderKeyOffset = 32;  // two plain bytes: 32 and 33
inline constexpr std::size_t kImageOffset = 34;
using protocol::kChunkSize;
// Largest image whose last 16-byte chunk still ends inside the record.
inline constexpr std::uint32_t kMaxImageLength = (kPackRecordSize - kImageOffset) / kChunkSize * kChunkSize;
static_assert(kMaxImageLength == 131024);
inline constexpr std::uint32_t kExpectedProductCode = 20002;
// What the programs say of a pack that LoadPack rejects.
inline constexpr const char* kPackBrokenText = N_("Pack file was briken");
// The warning for a pack whose ProductCode is not kExpectedProductCode.
inline constexpr const char* kForeignPackText = N_("Pack Eror");

// The input/output error of a pack file that cannot be opened or read whole.
// Code: 2 file not found, 3 invalid filename, 4 too many open files,
// 5 access denied, 100 short file, otherwise the OS error number.
class EInOutError : public std::runtime_error {
  public:
    EInOutError(int code, int osError);
    int Code() const { return code_; }
    int OsError() const { return osError_; }  // errno, or 0 for a short file

    static std::string TextFor(int code);

  private:
    int code_;
    int osError_;
};

using PackRecord = std::array<std::uint8_t, kPackRecordSize>;

// A loaded pack as it was at one moment: what a session sends, which no later
// load can change.
struct PackSnapshot {
    PackHeader header;
    PackRecord record;  // the decoded image at kImageOffset, then the filler

    const std::uint8_t* Image() const { return record.data() + kImageOffset; }
};

// The pack buffer and the pack header record. A desktop program has one, in
// its main; a command makes its own.
class PackStore {
  public:
    PackStore();
    PackStore(const PackStore&) = delete;
    PackStore& operator=(const PackStore&) = delete;

    // Loads `fileName`. True when the header CRC and the image sum check out and
    // the image fits the record. Raises EInOutError when the file cannot be read
    // whole, leaving the stores as they were.
    bool LoadPack(const std::string& fileName);

    // Which check the last LoadPack that returned false failed, in a few words
    // (the header CRC, an image longer than the record holds, the image sum);
    // empty after a load that returned true.
    const std::string& RejectionReason() const { return rejection_; }

    const PackRecord& Buffer() const { return *buffer_; }
    const PackHeader& Header() const { return header_; }
    // ImageLength bytes of decoded image, followed by the filler.
    const std::uint8_t* Image() const { return buffer_->data() + kImageOffset; }

    // A copy of the stores as they are now.
    std::shared_ptr<const PackSnapshot> Snapshot() const;

  private:
    void ReadRecord(const std::string& fileName);  // into scratch_
    bool Decode();

    std::unique_ptr<PackRecord> buffer_;
    std::unique_ptr<PackRecord> scratch_;  // the next load reads here first
    PackHeader header_;
    std::string rejection_;
};

}  // namespace k5
