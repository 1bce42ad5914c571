// Shows a session on a terminal: each log line on stdout as it comes, and on
// an interactive stderr a progress line with rate and time left. With JSON,
// one object per line on stdout instead.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <iosfwd>
#include <mutex>
#include <optional>
#include <string>

#include "session_view.h"
#include "transfer_progress.h"

namespace k5::cli {

class CliSessionView : public SessionView {
  public:
    CliSessionView(std::ostream& out, std::ostream& err, bool json, bool interactive,
                   std::uint32_t lineBytesPerSecond);

    void AddLog(const std::string& text) override;
    void ShowProgress(bool visible) override;
    void SetProgressMax(std::uint32_t maximum) override;
    void SetProgressPosition(std::uint32_t position) override;
    void LineSpeed(std::uint32_t baud) override { lineBytesPerSecond_.store(baud / 10); }

    // A line about the session from the front end itself (on stderr).
    void Note(const std::string& text);
    // The last line: the result, and in JSON its exit code, the error and a warning, if any.
    void Result(const std::string& text, int exitCode, const std::string& error = {},
                const std::string& warning = {});

  private:
    using Clock = std::chrono::steady_clock;
    void DrawProgress(bool force);
    void ClearProgress();
    std::string TransferSummary() const;

    std::mutex mutex_;
    std::ostream& out_;
    std::ostream& err_;
    const bool json_;
    const bool interactive_;
    std::atomic<std::uint32_t> lineBytesPerSecond_;

    bool visible_ = false;
    bool drawn_ = false;
    TransferProgress progress_;
    Clock::time_point lastDraw_{};
    std::optional<Clock::time_point> transferStart_;
    std::optional<Clock::time_point> transferEnd_;
    std::uint32_t transferred_ = 0;
};

}  // namespace k5::cli
