#include "replay_script.h"

#include <algorithm>

namespace k5::sim {

std::string TriggerKey(const std::string& kind, std::uint32_t chunk) {
    return kind == WireSendName(WireSend::Chunk) ? kind + " " + std::to_string(chunk) : kind;
}

ReplayScript::ReplayScript(const std::vector<TraceEvent>& events) {
    std::map<std::string, int> seen;
    std::pair<std::string, int> last;
    std::int64_t lastAt = 0;
    bool sent = false;
    for (const auto& e : events) {
        if (e.what == "open") {
            if (std::find(speeds_.begin(), speeds_.end(), e.baud) == speeds_.end()) speeds_.push_back(e.baud);
        } else if (e.what == "tx") {
            const std::string key = TriggerKey(e.kind, e.chunk);
            last = {key, seen[key]++};
            lastAt = e.micros;
            sent = true;
        } else if (e.what == "rx" && sent && !e.bytes.empty()) {
            answers_[last].push_back(
                {std::chrono::microseconds(std::max<std::int64_t>(0, e.micros - lastAt)), e.bytes});
            ++answerCount_;
        }
    }
}

const std::vector<ReplayAnswer>* ReplayScript::AnswersTo(const std::string& trigger, int occurrence) const {
    const auto it = answers_.find({trigger, occurrence});
    return it == answers_.end() ? nullptr : &it->second;
}

}  // namespace k5::sim
