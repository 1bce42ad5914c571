// The session's view in the page: log lines, progress, the line speed and the
// steps, carried from the session's worker to the page's main thread in call
// order. A log line is on the page when AddLog returns; progress positions are
// coalesced, so a fast transfer does not queue thousands of updates.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "session_view.h"

namespace k5::web {

class PageSessionView : public SessionView {
  public:
    void AddLog(const std::string& text) override;
    void ShowProgress(bool visible) override;
    void SetProgressMax(std::uint32_t maximum) override;
    void SetProgressPosition(std::uint32_t position) override;
    void LineSpeed(std::uint32_t baud) override;
    void Step(SessionStep step) override;

    // The page takes the newest position, which lets the next one be posted.
    std::uint32_t TakePosition();

  private:
    std::atomic<std::uint32_t> position_{0};
    std::atomic<bool> positionPosted_{false};
};

}  // namespace k5::web
