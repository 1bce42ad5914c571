#include "p_HexConvertFun.h"

#include <utility>

#include "CRC16.h"
#include "message_text.h"
#include "pack_file.h"

namespace k5 {
EInOutError::EInOutError(int code, int osError)
    : std::runtime_error(TextFor(code)), code_(code), osError_(osError) {}

std::string EInOutError::TextFor(int code) {
    switch (code) {
        case platform::kFileNotFound:
            return N_("File not found");
        case platform::kInvalidFilename:
            return N_("Invalid filename");
        case platform::kTooManyOpenFiles:
            return N_("Too many open files");
        case platform::kAccessDenied:
            return N_("File access denied");
        case platform::kReadBeyondEnd:
            return N_("Read beyond end of file");
        default:
            return FillIn(N_("I/O error %1"), {std::to_string(code)});
    }
}

const char* PackKindText(std::uint8_t packKind) {
    return packKind == kPackKindSoftwareAndSettings ? N_("Software + Settings") : N_("Software Only");
}

PackStore::PackStore() : buffer_(std::make_unique<PackRecord>()), scratch_(std::make_unique<PackRecord>()) {}

std::shared_ptr<const PackSnapshot> PackStore::Snapshot() const {
    auto snapshot = std::make_shared<PackSnapshot>();
    snapshot->header = header_;
    snapshot->record = *buffer_;
    return snapshot;
}

void PackStore::ReadRecord(const std::string& fileName) {
    // Read-only: nothing is ever written to a pack.
    const auto result = platform::ReadFileStart(fileName, scratch_->data(), kPackRecordSize);
    if (result.code != 0) throw EInOutError(result.code, result.osError);
}

bool PackStore::LoadPack(const std::string& fileName) {
    ReadRecord(fileName);
    // The whole record is in: from here both stores describe the new pack.
    std::swap(buffer_, scratch_);
    return Decode();
}

bool PackStore::Decode() {
    rejection_.clear();
    const auto reject = [this](std::string why) {
        rejection_ = std::move(why);
        return false;
    };
    PackRecord& record = *buffer_;
    const auto headerKey = static_cast<std::uint8_t>(record[kHeaderKeyOffset] + record[kHeaderKeyOffset + 1]);
    for (std::size_t i = 0; i < kPackHeaderSize; ++i) header_.bytes[i] = record[i] ^ headerKey;

    const auto imageKey = static_cast<std::uint8_t>(header_.bytes[header_offset::kHeaderCrc] +
                                                    header_.bytes[header_offset::kHeaderCrc + 1]);
    if (Crc16Xmodem(header_.bytes.data(), header_offset::kCrcCovered) != header_.HeaderCrc()) {
        return reject(N_("the header's CRC does not match; the file is damaged or is not an update pack"));
    }
    const std::uint32_t length = header_.ImageLength();
    // A longer image would run its last chunk past the end of the record.
    if (length > kMaxImageLength) {
        return reject(FillIn(N_("the header gives an image of %1 bytes, longer than the %2 a pack holds"),
                             {std::to_string(length), std::to_string(kMaxImageLength)}));
    }

    std::uint32_t sum = 0;
    std::uint8_t* image = record.data() + kImageOffset;
    for (std::uint32_t j = 0; j < length; ++j) {
        image[j] ^= imageKey;
        sum += image[j];
    }
    if (sum != header_.ImageSum())
        return reject(N_("the image's byte sum does not match the header's; the image is damaged"));
    return true;
}

}  // namespace k5
