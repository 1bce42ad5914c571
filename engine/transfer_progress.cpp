#include "transfer_progress.h"

#include <algorithm>

namespace k5 {
namespace {

constexpr std::chrono::milliseconds kRateSettles{500};

}  // namespace

void TransferProgress::Start(std::uint32_t total) {
    *this = TransferProgress{};
    total_ = total;
}

void TransferProgress::MoveTo(std::uint32_t position, Clock::time_point now) {
    done_ = std::min(position, total_);
    lastAt_ = now;
    if (firstDone_ == 0 && done_ > 0) {
        firstDone_ = done_;
        firstAt_ = now;
    }
}

std::uint32_t TransferProgress::Percent() const {
    return total_ > 0 ? static_cast<std::uint32_t>(std::uint64_t{100} * done_ / total_) : 0;
}

double TransferProgress::BytesPerSecond() const {
    if (firstDone_ == 0 || lastAt_ - firstAt_ < kRateSettles) return 0;
    return (done_ - firstDone_) / std::chrono::duration<double>(lastAt_ - firstAt_).count();
}

}  // namespace k5
