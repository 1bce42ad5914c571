#include "wire_trace.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string_view>

#include "file_problem_text.h"

namespace k5 {
namespace {

std::string Hex(const std::uint8_t* bytes, std::size_t count) {
    std::string text;
    char two[4];
    for (std::size_t i = 0; i < count; ++i) {
        std::snprintf(two, sizeof two, "%02X", bytes[i]);
        text += (i ? " " : "") + std::string(two);
    }
    return text;
}

}  // namespace

const char* WireSendName(WireSend kind) {
    switch (kind) {
        case WireSend::Probe:
            return "probe";
        case WireSend::Entry:
            return "entry";
        case WireSend::HeaderCommand:
            return "header-command";
        case WireSend::Header:
            return "header";
        case WireSend::Chunk:
            return "chunk";
    }
    return "?";
}

WireTrace::WireTrace(const std::filesystem::path& path, const std::string& tool, bool withImageData)
    : path_(path), withImageData_(withImageData) {
    // Only an earlier trace is replaced: a pack or anything else named by mistake stays.
    if (std::error_code ec; std::filesystem::is_regular_file(path, ec)) {
        std::ifstream existing(path, std::ios::binary);
        std::string first(std::string_view(kWireTraceFirstLine).size(), '\0');
        if (existing &&
            existing.read(first.data(), static_cast<std::streamsize>(first.size())).gcount() > 0 &&
            first != kWireTraceFirstLine) {
            notATrace_ = true;
            return;
        }
    }
    openError_ = out_.Open(path);
    if (openError_ != 0) return;
    Write(std::string(kWireTraceFirstLine) + "\n" + "tool " + tool + "\n");
}

int WireTrace::Error() const {
    std::lock_guard lock(mutex_);
    return error_;
}

// Each line goes to the file as it is written: a trace is read after a failure, perhaps after a crash.
void WireTrace::Write(const std::string& text) {
    if (error_ != 0 || Failed()) return;
    error_ = out_.Write(text);
}

void WireTrace::Line(const std::string& text) {
    std::lock_guard lock(mutex_);
    if (error_ != 0 || Failed()) return;
    const auto micros =
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - begun_)
            .count();
    Write(std::to_string(micros) + " " + text + "\n");
}

std::string WireTraceProblemText(const WireTrace& trace) {
    if (trace.NotATrace())
        return N_("it holds something else than a wire trace; it is left as it was: choose another file");
    return FileProblemText(trace.Path(), trace.Failed() ? trace.OpenError() : trace.Error());
}

void WireTrace::Begin(const std::string& mode) {
    {
        std::lock_guard lock(mutex_);
        begun_ = std::chrono::steady_clock::now();
    }
    Line("mode " + mode);
}

void WireTrace::Step(const std::string& name) { Line("step " + name); }

void WireTrace::Opened(const std::string& port, std::uint32_t baud) {
    Line("open " + port + " " + std::to_string(baud));
}

void WireTrace::OpenFailed(const std::string& port, int osError) {
    Line("open-failed " + port + " " + std::to_string(osError));
}

void WireTrace::Closed() { Line("close"); }

void WireTrace::Sent(WireSend kind, const std::uint8_t* bytes, std::size_t count, std::uint32_t chunkIndex) {
    std::string text = std::string("tx ") + WireSendName(kind);
    if (kind == WireSend::Chunk) {
        text += " " + std::to_string(chunkIndex);
        if (!withImageData_) {
            if (count != 16) text += " len " + std::to_string(count);
            return Line(text);
        }
    }
    Line(text + " " + Hex(bytes, count));
}

void WireTrace::Received(const std::uint8_t* bytes, std::size_t count) { Line("rx " + Hex(bytes, count)); }

void WireTrace::Log(const std::string& line) { Line("log " + line); }

void WireTrace::End(const std::string& outcome) { Line("end " + outcome); }

namespace {

bool IsHexByte(const std::string& word) {
    return word.size() == 2 && std::isxdigit(static_cast<unsigned char>(word[0])) &&
           std::isxdigit(static_cast<unsigned char>(word[1]));
}

// The bytes of a tx or rx line (after its kind and chunk index): hex pairs, or "len N".
bool ReadBytes(std::istringstream& rest, TraceEvent& e) {
    for (std::string word; rest >> word;) {
        if (word == "len" && e.bytes.empty()) {
            std::uint32_t length = 0;
            return static_cast<bool>(rest >> length) && (rest >> std::ws).eof();
        }
        if (!IsHexByte(word)) return false;
        e.bytes.push_back(static_cast<std::uint8_t>(std::stoul(word, nullptr, 16)));
    }
    return true;
}

bool ReadEvent(const std::string& line, TraceEvent& e) {
    std::istringstream in(line);
    if (!(in >> e.micros >> e.what) || e.micros < 0) return false;
    std::getline(in >> std::ws, e.text);
    std::istringstream rest(e.text);
    if (e.what == "rx") return ReadBytes(rest, e) && !e.bytes.empty();
    if (e.what == "tx") {
        rest >> e.kind;
        bool known = false;
        for (auto kind :
             {WireSend::Probe, WireSend::Entry, WireSend::HeaderCommand, WireSend::Header, WireSend::Chunk})
            known = known || e.kind == WireSendName(kind);
        if (!known || (e.kind == "chunk" && !(rest >> e.chunk))) return false;
        return ReadBytes(rest, e);
    }
    if (e.what == "open") {
        // "COM3 115200": the speed is the last word (a device path may hold blanks).
        const auto blank = e.text.find_last_of(' ');
        const std::string speed = e.text.substr(blank == std::string::npos ? 0 : blank + 1);
        if (speed.empty() || speed.size() > 9 || speed.find_first_not_of("0123456789") != std::string::npos)
            return false;
        e.baud = static_cast<std::uint32_t>(std::stoul(speed));
        return e.baud != 0;
    }
    for (const char* what : {"mode", "step", "open-failed", "close", "log", "end"}) {
        if (e.what == what) return true;
    }
    return false;
}

}  // namespace

ParsedWireTrace ParseWireTrace(const std::string& text) {
    ParsedWireTrace trace;
    std::istringstream lines(text);
    int number = 0;
    for (std::string line; std::getline(lines, line);) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#' || line.rfind("tool ", 0) == 0) continue;
        TraceEvent e;
        const bool read = ReadEvent(line, e);
        trace.badTime = read && e.micros > std::chrono::microseconds(kLongestTracedTime).count();
        if (!read || trace.badTime) {
            trace.badLine = number;
            break;
        }
        trace.ended = trace.ended || e.what == "end";
        trace.events.push_back(std::move(e));
    }
    return trace;
}

}  // namespace k5
