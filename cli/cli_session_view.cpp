#include "cli_session_view.h"

#include <cstdio>
#include <ostream>

#include "json_writer.h"

namespace k5::cli {
namespace {

constexpr auto kRedrawEvery = std::chrono::milliseconds(100);

std::string MinutesAndSeconds(double seconds) {
    const long s = static_cast<long>(seconds + 0.5);
    char text[48];
    std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
    return text;
}

}  // namespace

CliSessionView::CliSessionView(std::ostream& out, std::ostream& err, bool json, bool interactive,
                               std::uint32_t lineBytesPerSecond)
    : out_(out), err_(err), json_(json), interactive_(interactive), lineBytesPerSecond_(lineBytesPerSecond) {}

void CliSessionView::AddLog(const std::string& text) {
    std::lock_guard lock(mutex_);
    if (transferStart_ && !transferEnd_) transferEnd_ = Clock::now();
    ClearProgress();
    if (json_) {
        out_ << JsonObject().Add("log", text).Str() << std::endl;
        return;
    }
    out_ << text << std::endl;
    DrawProgress(true);
}

void CliSessionView::ShowProgress(bool visible) {
    std::lock_guard lock(mutex_);
    if (visible_ == visible) return;
    visible_ = visible;
    if (visible) {
        if (!json_) DrawProgress(true);
        return;
    }
    ClearProgress();
    if (transferStart_ && transferEnd_ && transferred_ > 0) {
        if (json_) {
            const double seconds = std::chrono::duration<double>(*transferEnd_ - *transferStart_).count();
            out_ << JsonObject()
                        .Add("transferred", std::int64_t{transferred_})
                        .Add("seconds", seconds)
                        .Add("bytesPerSecond", seconds > 0 ? transferred_ / seconds : 0.0)
                        .Add("lineBytesPerSecond", std::int64_t{lineBytesPerSecond_.load()})
                        .Str()
                 << std::endl;
        } else {
            err_ << TransferSummary() << std::endl;
        }
    }
}

void CliSessionView::SetProgressMax(std::uint32_t maximum) {
    std::lock_guard lock(mutex_);
    progress_.Start(maximum);
    transferStart_ = Clock::now();
    transferEnd_.reset();
    transferred_ = 0;
    DrawProgress(true);
}

void CliSessionView::SetProgressPosition(std::uint32_t position) {
    std::lock_guard lock(mutex_);
    progress_.MoveTo(position, Clock::now());
    if (transferStart_ && !transferEnd_) transferred_ = progress_.Done();
    DrawProgress(progress_.Done() == progress_.Total());
}

void CliSessionView::Note(const std::string& text) {
    std::lock_guard lock(mutex_);
    ClearProgress();
    err_ << "k5-iap: " << text << std::endl;
    if (!json_) DrawProgress(true);
}

void CliSessionView::Result(const std::string& text, int exitCode, const std::string& error,
                            const std::string& warning) {
    std::lock_guard lock(mutex_);
    ClearProgress();
    if (json_) out_ << JsonResult(text, exitCode, error, {}, warning) << std::endl;
}

std::string CliSessionView::TransferSummary() const {
    const double seconds = std::chrono::duration<double>(*transferEnd_ - *transferStart_).count();
    const double rate = seconds > 0 ? transferred_ / seconds : 0;
    const std::uint32_t line = lineBytesPerSecond_.load();
    char text[160];
    std::snprintf(text, sizeof text, "%u bytes in %.1f s: %.0f B/s, %.0f%% of the line's %u B/s",
                  transferred_, seconds, rate, line ? 100.0 * rate / line : 0.0, line);
    return text;
}

void CliSessionView::ClearProgress() {
    if (drawn_) {
        err_ << "\r\033[K" << std::flush;
        drawn_ = false;
    }
}

void CliSessionView::DrawProgress(bool force) {
    // Until the image starts, the log line says what the session does: no 0/0 count.
    if (!visible_ || !transferStart_ || progress_.Total() == 0) return;
    const auto now = Clock::now();
    if (!force && now - lastDraw_ < kRedrawEvery) return;
    lastDraw_ = now;
    if (json_) {
        out_ << JsonObject()
                    .Add("progress", std::int64_t{progress_.Done()})
                    .Add("max", std::int64_t{progress_.Total()})
                    .Str()
             << std::endl;
        return;
    }
    if (!interactive_) return;
    const std::uint32_t percent = progress_.Percent();
    std::string line = "\r[" +
                       std::string(percent < 10    ? "  "
                                   : percent < 100 ? " "
                                                   : "") +
                       std::to_string(percent) + "%] " + std::to_string(progress_.Done()) + "/" +
                       std::to_string(progress_.Total()) + " bytes";
    if (const double rate = progress_.BytesPerSecond(); rate > 0) {
        char text[64];
        std::snprintf(text, sizeof text, "  %.0f B/s", rate);
        line += text;
        if (progress_.Done() < progress_.Total())
            line += "  " + MinutesAndSeconds((progress_.Total() - progress_.Done()) / rate) + " left";
    }
    err_ << line << "\033[K" << std::flush;
    drawn_ = true;
}

}  // namespace k5::cli
