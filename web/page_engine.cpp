// The engine the page drives: one pack store, one session on the page's port,
// and the calls the page makes (exported to JavaScript). The page runs them on
// its main thread; the session runs on its own worker.
#include <emscripten/emscripten.h>

#include <filesystem>
#include <memory>
#include <string>

#include "iap_session.h"
#include "json_writer.h"
#include "k5_version.h"
#include "p_HexConvertFun.h"
#include "page_model.h"
#include "page_session_view.h"
#include "settings_file.h"
#include "translation.h"
#include "web_session_port.h"
#include "wire_trace.h"

namespace {

using namespace k5;

// In Emscripten's in-memory file system.
constexpr const char* kSettingsPath = "/k5/eBikeSet.ini";
constexpr const char* kTracePath = "/k5/k5-iap-trace.txt";
// The name the session's logs and trace give the port.
constexpr const char* kPortName = "WebSerial";

struct PageEngine {
    PackStore pack;
    SettingsFile settings{kSettingsPath};
    web::WebSessionPort port;
    web::PageSessionView view;
    IapSession session{port, pack, settings, view};
    web::PageModel model{pack, session, settings, kTracePath};
    std::string reply;  // the last text handed to the page; good until the next call
};

PageEngine* engine = nullptr;

const char* Reply(std::string text) {
    engine->reply = std::move(text);
    return engine->reply.c_str();
}

// {"ok":true,"version":..,"kind":"..","productCode":..,"foreign":..,...} or
// {"ok":false,"error":"..","detail":".."}.
const char* PackReply(const web::PackCheck& check) {
    JsonObject reply;
    reply.Add("ok", check.ok);
    if (!check.ok) return Reply(reply.Add("error", check.error).Add("detail", check.detail).Str());
    return Reply(reply.Add("version", std::int64_t{check.version})
                     .Add("kind", check.kind)
                     .Add("productCode", std::int64_t{check.productCode})
                     .Add("foreign", check.foreign)
                     .Add("foreignTitle", kForeignPackText)
                     .Str());
}

}  // namespace

extern "C" {

// Everything the page shows and enables (PageModel::State).
EMSCRIPTEN_KEEPALIVE const char* k5_state() { return Reply(engine->model.State()); }

// A pack is about to be read or fetched: 0 when none may be taken now (an update runs, or another
// pack is on its way). k5_end_pack_read ends what 1 began.
EMSCRIPTEN_KEEPALIVE int k5_begin_pack_read() { return engine->model.BeginPackRead() ? 1 : 0; }
EMSCRIPTEN_KEEPALIVE void k5_end_pack_read() { engine->model.EndPackRead(); }
// Checks the pack at `path` (the page wrote it there) without using it.
EMSCRIPTEN_KEEPALIVE const char* k5_check_pack(const char* path) {
    return PackReply(web::PageModel::CheckPack(path));
}
// Makes the pack at `path` the one the next update sends, shown as `name`.
EMSCRIPTEN_KEEPALIVE const char* k5_use_pack(const char* path, const char* name) {
    return PackReply(engine->model.UsePack(path, name));
}
EMSCRIPTEN_KEEPALIVE void k5_pack_refused() { engine->model.PackRefused(); }

EMSCRIPTEN_KEEPALIVE void k5_port_chosen(int chosen) { engine->model.PortChosen(chosen != 0); }
EMSCRIPTEN_KEEPALIVE void k5_log_added(const char* line) { engine->model.LogAdded(line); }

// Starts an update of the pack in use; `speed` a speed choice's value. 0 when it cannot start now.
EMSCRIPTEN_KEEPALIVE int k5_program(int fast, const char* speed) {
    engine->port.StopCleared();
    return engine->model.Program(fast != 0, speed) ? 1 : 0;
}

// The session's waits, and its port's wait for the page to open, end at once.
EMSCRIPTEN_KEEPALIVE void k5_stop() {
    engine->session.RequestStop();
    engine->port.Stop();
}

// The session's view, carried to the main thread.
EMSCRIPTEN_KEEPALIVE void k5_progress_max(std::uint32_t maximum) { engine->model.ProgressMax(maximum); }
EMSCRIPTEN_KEEPALIVE void k5_progress_position() {
    engine->model.ProgressPosition(engine->view.TakePosition());
}
EMSCRIPTEN_KEEPALIVE void k5_finished() { engine->model.Finished(); }

// What "Copy report" puts on the clipboard.
EMSCRIPTEN_KEEPALIVE const char* k5_report(const char* browser, const char* adapter) {
    return Reply(engine->model.Report(browser, adapter));
}

// The port's side, called by the page's port: `answer` a web::PortAnswer.
EMSCRIPTEN_KEEPALIVE void k5_port_answer(std::uint32_t request, int answer) {
    engine->port.Answer(request, web::PortAnswerFromPage(answer));
}
EMSCRIPTEN_KEEPALIVE void k5_port_received(const std::uint8_t* bytes, int count) {
    if (count > 0) engine->port.Received(bytes, static_cast<std::size_t>(count));
}
EMSCRIPTEN_KEEPALIVE void k5_port_hung_up() {
    engine->model.PortLost();
    engine->port.HungUp();
}

EMSCRIPTEN_KEEPALIVE const char* k5_version() { return K5_VERSION_TEXT; }

// The page's language for the engine's texts: the catalogue (.mo) the page read, whose bytes
// stay for the page's life.
EMSCRIPTEN_KEEPALIVE void k5_use_catalogue(const char* bytes, int size) {
    if (size > 0) UseCatalogue(std::string_view(bytes, static_cast<std::size_t>(size)));
}
// A text the engine made in English (a log line, a pack's problem) in the page's language.
EMSCRIPTEN_KEEPALIVE const char* k5_translate(const char* english) { return Reply(TranslateText(english)); }

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
