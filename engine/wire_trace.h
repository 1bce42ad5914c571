// A session's wire trace: every byte sent and received with its time in
// microseconds since the session began, the line speed, the log lines and the
// steps, as text a person can read and a program can parse. Image chunks are
// summarised (index and length) unless their data is asked for, so a trace
// stays small and does not carry the firmware.
//
//   # k5-iap wire trace: <microseconds since the session began> <event> ...
//   tool k5-iap 5.2 linux
//   0 mode standard
//   15 step connect
//   12 open COM3 38400
//   200431 tx probe 02
//   301877 rx 02 FD
//   301901 log MCU Identified
//   912004 tx chunk 63                  (with data: tx chunk 63 9A 41 ...)
//   9120155 end Program sucessully
//
// The session writes from its worker, the port's receiver from another
// thread: every call takes the trace's lock.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "output_file.h"

namespace k5 {

// What a write of the session is, as the controller would see its trigger.
enum class WireSend { Probe, Entry, HeaderCommand, Header, Chunk };

class WireTrace {
  public:
    // Opens `path` for writing, replacing an earlier trace there; a file that holds
    // something else, and what is no regular file (a FIFO, a device), is left alone
    // without waiting on it. Failed() tells whether that worked.
    // `tool` names the program, its version and platform ("k5-iap 5.2 linux").
    WireTrace(const std::filesystem::path& path, const std::string& tool, bool withImageData);
    // The trace could not be opened, or `path` holds something else than a trace.
    bool Failed() const { return notATrace_ || openError_ != 0; }
    bool NotATrace() const { return notATrace_; }
    int OpenError() const { return openError_; }
    const std::filesystem::path& Path() const { return path_; }
    // 0 while every line has reached the file; else the OS error of the first that did not
    // (the trace is incomplete from there on).
    int Error() const;

    // The session begins (time zero) in `mode` ("standard", "fast, ack guard 5 ms").
    void Begin(const std::string& mode);
    void Step(const std::string& name);
    void Opened(const std::string& port, std::uint32_t baud);
    void OpenFailed(const std::string& port, int osError);
    void Closed();
    void Sent(WireSend kind, const std::uint8_t* bytes, std::size_t count, std::uint32_t chunkIndex = 0);
    void Received(const std::uint8_t* bytes, std::size_t count);
    void Log(const std::string& line);
    void End(const std::string& outcome);

  private:
    void Line(const std::string& text);
    void Write(const std::string& text);  // under the lock

    mutable std::mutex mutex_;
    std::filesystem::path path_;
    platform::OutputFile out_;
    bool notATrace_ = false;
    int openError_ = 0;
    int error_ = 0;  // of a line
    bool withImageData_;
    std::chrono::steady_clock::time_point begun_ = std::chrono::steady_clock::now();
};

// Why a trace is not written, or not whole: what the file is or holds, or its OS error's text.
std::string WireTraceProblemText(const WireTrace& trace);

// The first line of every trace.
inline constexpr const char* kWireTraceFirstLine =
    "# k5-iap wire trace: <microseconds since the session began> <event> ...";

// One line of a trace, parsed.
struct TraceEvent {
    std::int64_t micros = 0;
    std::string what;  // "tx", "rx", "open", "log", "step", "close", "end", ...
    std::string kind;  // tx: "probe", "entry", "header-command", "header", "chunk"
    std::uint32_t chunk = 0;
    std::vector<std::uint8_t> bytes;  // tx, rx
    std::uint32_t baud = 0;           // open: the speed the port opened at
    std::string text;                 // the rest of the line for log, step, open, end
};

// A trace's text, read.
struct ParsedWireTrace {
    std::vector<TraceEvent> events;  // in order
    bool ended = false;              // it has its end line: it was not cut short
    int badLine = 0;                 // the first line that is no trace line (from 1), or 0
    bool badTime = false;            // that line's time is later than kLongestTracedTime
};

// The latest time a trace line may have: far beyond any session, and far from the
// clock's limits, so that a replay's waits stay what the trace says.
inline constexpr std::chrono::hours kLongestTracedTime{24};

// The events of a trace's text; reading stops at a line that is neither an event,
// the first line, the tool line nor empty, or whose time is too late to be one.
ParsedWireTrace ParseWireTrace(const std::string& text);

// The most of a trace that is read: far above a full image's with its data (about 0.6 MB).
inline constexpr std::size_t kLargestWireTrace = std::size_t{64} << 20;

const char* WireSendName(WireSend kind);

}  // namespace k5
