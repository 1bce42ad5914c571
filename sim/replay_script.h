// What a traced controller answered, to play it again: each answer keyed by
// the kind of write it followed ("probe", "entry", "header-command", "header",
// "chunk 63") and by which of those writes it was (the seventh probe, say),
// with its delay after that write.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "wire_trace.h"

namespace k5::sim {

struct ReplayAnswer {
    std::chrono::microseconds delay{0};
    std::vector<std::uint8_t> bytes;
};

class ReplayScript {
  public:
    explicit ReplayScript(const std::vector<TraceEvent>& events);

    // The answers to the `occurrence`-th write (from 0) of kind `trigger`.
    const std::vector<ReplayAnswer>* AnswersTo(const std::string& trigger, int occurrence) const;
    std::size_t AnswerCount() const { return answerCount_; }
    // The speeds the traced session opened its port at, in the order it first did.
    const std::vector<std::uint32_t>& Speeds() const { return speeds_; }

  private:
    std::map<std::pair<std::string, int>, std::vector<ReplayAnswer>> answers_;
    std::size_t answerCount_ = 0;
    std::vector<std::uint32_t> speeds_;
};

// The trigger key of a write: "probe", or "chunk 63" for an image chunk.
std::string TriggerKey(const std::string& kind, std::uint32_t chunk);

}  // namespace k5::sim
