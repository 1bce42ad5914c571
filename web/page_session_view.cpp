#include "page_session_view.h"

#include <emscripten/emscripten.h>
#include <emscripten/threading.h>

namespace k5::web {

void PageSessionView::AddLog(const std::string& text) {
    MAIN_THREAD_EM_ASM({ Module.k5View.log(UTF8ToString($0)); }, text.c_str());
}

void PageSessionView::ShowProgress(bool visible) {
    MAIN_THREAD_ASYNC_EM_ASM({ Module.k5View.showProgress($0 != 0); }, visible ? 1 : 0);
}

void PageSessionView::SetProgressMax(std::uint32_t maximum) {
    MAIN_THREAD_ASYNC_EM_ASM({ Module.k5View.progressMax($0 >>> 0); }, maximum);
}

void PageSessionView::SetProgressPosition(std::uint32_t position) {
    position_.store(position);
    if (!positionPosted_.exchange(true)) {
        MAIN_THREAD_ASYNC_EM_ASM({ Module.k5View.progressPosition(); });
    }
}

std::uint32_t PageSessionView::TakePosition() {
    positionPosted_.store(false);
    return position_.load();
}

void PageSessionView::LineSpeed(std::uint32_t baud) {
    MAIN_THREAD_ASYNC_EM_ASM({ Module.k5View.lineSpeed($0 >>> 0); }, baud);
}

void PageSessionView::Step(SessionStep step) {
    // The step's name is a static text: the pointer stays good.
    MAIN_THREAD_ASYNC_EM_ASM({ Module.k5View.step(UTF8ToString($0)); }, SessionStepName(step));
}

}  // namespace k5::web
