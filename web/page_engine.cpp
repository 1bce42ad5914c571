// The engine the page drives: one pack store, one session on the page's port,
// and the calls the page makes (exported to JavaScript). The page runs them on
// its main thread; the session runs on its own worker.
#include <emscripten/emscripten.h>

#include <cerrno>
#include <filesystem>
#include <memory>
#include <string>

#include "iap_session.h"
#include "json_writer.h"
#include "k5_version.h"
#include "p_HexConvertFun.h"
#include "page_session_view.h"
#include "port_error.h"
#include "settings_file.h"
#include "web_session_port.h"
#include "wire_trace.h"

namespace {

using namespace k5;

// In Emscripten's in-memory file system.
constexpr const char* kSettingsPath = "/k5/eBikeSet.ini";
constexpr const char* kTracePath = "/k5/k5-iap-trace.txt";
// The name the session's logs and trace give the port.
constexpr const char* kPortName = "WebSerial";

const char* OutcomeName(SessionOutcome outcome) {
    switch (outcome) {
        case SessionOutcome::None:
            return "none";
        case SessionOutcome::Programmed:
            return "programmed";
        case SessionOutcome::PortError:
            return "port-error";
        case SessionOutcome::ConnectFail:
            return "connect-fail";
        case SessionOutcome::TransferFail:
            return "transfer-fail";
        case SessionOutcome::VerdictFail:
            return "verdict-fail";
        case SessionOutcome::Stopped:
            return "stopped";
        case SessionOutcome::InternalError:
            return "internal-error";
        case SessionOutcome::Answered:
            return "answered";
    }
    return "none";
}

struct PageEngine {
    PackStore pack;
    SettingsFile settings{kSettingsPath};
    web::WebSessionPort port;
    web::PageSessionView view;
    IapSession session{port, pack, settings, view};
    std::shared_ptr<WireTrace> trace;
    std::string reply;  // the last text handed to the page; good until the next call
};

PageEngine* engine = nullptr;

const char* Reply(std::string text) {
    engine->reply = std::move(text);
    return engine->reply.c_str();
}

}  // namespace

extern "C" {

// Reads the pack at `path` (the page wrote it there). `use` 0 only checks it; 1 makes it the pack
// the next update sends. {"ok":true,"version":..,"kind":"..","foreign":..} or {"ok":false,"error":"..",
// "detail":".."}; a pack that fails leaves the one in use as it was.
EMSCRIPTEN_KEEPALIVE const char* k5_read_pack(const char* path, int use) {
    PackStore checked;
    PackStore& store = use != 0 ? engine->pack : checked;
    JsonObject reply;
    try {
        if (!store.LoadPack(path)) {
            return Reply(reply.Add("ok", false)
                             .Add("error", kPackBrokenText)
                             .Add("detail", store.RejectionReason())
                             .Str());
        }
    } catch (const EInOutError& e) {
        return Reply(reply.Add("ok", false).Add("error", e.what()).Str());
    }
    const PackHeader& header = store.Header();
    return Reply(reply.Add("ok", true)
                     .Add("version", std::int64_t{header.Version()})
                     .Add("kind", PackKindText(header.PackKind()))
                     .Add("imageLength", std::int64_t{header.ImageLength()})
                     .Add("productCode", std::int64_t{header.ProductCode()})
                     .Add("foreign", header.ProductCode() != kExpectedProductCode)
                     .Add("foreignText", kForeignPackText)
                     .Str());
}

// Starts an update of the pack in use: `speed` -1 the settings', 0-2 a baud index, 3 the search.
// False when one runs or no pack is in use.
EMSCRIPTEN_KEEPALIVE int k5_program(int fast, int speed, int withTrace) {
    if (engine->session.Running()) return 0;
    TransferMode mode = engine->settings.GetTransferMode();
    mode.fast = fast != 0;
    mode.autoSpeed = speed == 3;
    mode.baudIndex = speed >= 0 && speed <= 2 ? speed : -1;
    engine->session.SetTransferMode(mode);
    engine->trace.reset();
    if (withTrace != 0) {
        engine->trace =
            std::make_shared<WireTrace>(kTracePath, std::string("k5-iap ") + K5_VERSION_TEXT + " web", false);
        if (engine->trace->Failed()) engine->trace.reset();
    }
    engine->session.SetTrace(engine->trace);
    engine->port.StopCleared();
    return engine->session.BeginSession() ? 1 : 0;
}

// The session's waits, and its port's wait for the page to open, end at once.
EMSCRIPTEN_KEEPALIVE void k5_stop() {
    engine->session.RequestStop();
    engine->port.Stop();
}

// How the last update ended: {"outcome":"programmed",...,"lineBaud":N,"portError":"..."}.
EMSCRIPTEN_KEEPALIVE const char* k5_session_result() {
    const IapSession& session = engine->session;
    JsonObject reply;
    reply.Add("outcome", OutcomeName(session.LastOutcome()))
        .Add("outcomeText", SessionOutcomeText(session.LastOutcome()))
        .Add("lineBaud", std::int64_t{session.LineBaud()});
    if (session.LastOutcome() == SessionOutcome::PortError) {
        const int error = session.FailedDeviceError();
        const char* kind = "other";
        switch (platform::KindOfPortError(error)) {
            case platform::PortErrorKind::Missing:
                kind = "missing";
                break;
            case platform::PortErrorKind::InUse:
                kind = "in-use";
                break;
            case platform::PortErrorKind::NoPermission:
                kind = "no-permission";
                break;
            default:
                break;
        }
        reply.Add("portError", kind).Add("portErrorText", platform::OsErrorText(error));
    }
    if (engine->trace != nullptr) {
        reply.Add("trace", kTracePath)
            .Add("traceProblem",
                 engine->trace->Error() != 0 ? WireTraceProblemText(*engine->trace) : std::string());
    }
    return Reply(reply.Str());
}

EMSCRIPTEN_KEEPALIVE std::uint32_t k5_progress_position() { return engine->view.TakePosition(); }

// The port's side, called by the page's port.
// `request` as the port asked; `problem`: 0 done, 1 the port would not open (in use), 2 it is gone, 3 not
// allowed, 4 another failure.
EMSCRIPTEN_KEEPALIVE void k5_port_answer(std::uint32_t request, int problem) {
    static constexpr int kErrors[] = {0, EBUSY, ENOENT, EACCES, EIO};
    engine->port.Answer(request, problem >= 0 && problem <= 4 ? kErrors[problem] : EIO);
}
EMSCRIPTEN_KEEPALIVE void k5_port_received(const std::uint8_t* bytes, int count) {
    if (count > 0) engine->port.Received(bytes, static_cast<std::size_t>(count));
}
EMSCRIPTEN_KEEPALIVE void k5_port_hung_up() { engine->port.HungUp(); }

EMSCRIPTEN_KEEPALIVE const char* k5_version() { return K5_VERSION_TEXT; }

}  // extern "C"

int main() {
    std::error_code ignored;
    std::filesystem::create_directories("/k5", ignored);
    engine = new PageEngine;
    engine->session.SetPortNameOverride(kPortName);
    engine->session.SetFinishedCallback([] { MAIN_THREAD_ASYNC_EM_ASM({ Module.k5View.finished(); }); });
    EM_ASM({ Module.k5View.ready(); });
    return 0;
}
