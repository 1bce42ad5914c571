// What a programming session shows: log lines and the progress bar. The
// session calls these from its worker thread, in order; an implementation
// carries them to its own thread without reordering them.
#pragma once

#include <cstdint>
#include <string>

namespace k5 {

// The steps of a session, in the order they come (restart only when the bootloader did not answer).
enum class SessionStep { None, Connect, Restart, Header, Image, Verdict };

// The step's name as a trace and `k5-iap station --json` write it: "connect", "restart", ...
const char* SessionStepName(SessionStep step);

class SessionView {
  public:
    virtual ~SessionView() = default;
    // The line is on screen when the call returns.
    virtual void AddLog(const std::string& text) = 0;
    virtual void ShowProgress(bool visible) = 0;
    virtual void SetProgressMax(std::uint32_t maximum) = 0;
    // May exceed the maximum; the bar caps it.
    virtual void SetProgressPosition(std::uint32_t position) = 0;
    // The line speed the image goes at, told before the image goes out.
    virtual void LineSpeed(std::uint32_t /*baud*/) {}
    // The step the session begins, told as it begins it.
    virtual void Step(SessionStep /*step*/) {}
};

}  // namespace k5
