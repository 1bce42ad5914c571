#include "dispatched_session_view.h"

#include <memory>

namespace k5::app {

DispatchedSessionView::DispatchedSessionView(serial::Dispatcher& dispatcher, Sink sink)
    : dispatcher_(dispatcher), sink_(std::move(sink)) {}

void DispatchedSessionView::AddLog(const std::string& text) {
    if (OnUiThread()) {
        sink_.addLog(text);
        return;
    }
    auto shown = std::make_shared<bool>(false);
    const bool posted = dispatcher_.Post([this, text, shown] {
        sink_.addLog(text);
        {
            std::lock_guard lock(mutex_);
            *shown = true;
        }
        shown_.notify_all();
    });
    if (!posted) return;  // the UI thread takes no more work: nothing to wait for
    std::unique_lock lock(mutex_);
    shown_.wait(lock, [&] { return *shown || abandoned_; });
}

void DispatchedSessionView::Abandon() {
    {
        std::lock_guard lock(mutex_);
        abandoned_ = true;
    }
    shown_.notify_all();
}

void DispatchedSessionView::OnUi(std::function<void()> call) {
    if (OnUiThread()) {
        call();
    } else {
        dispatcher_.Post(std::move(call));
    }
}

void DispatchedSessionView::ShowProgress(bool visible) {
    OnUi([this, visible] { sink_.showProgress(visible); });
}

void DispatchedSessionView::SetProgressMax(std::uint32_t maximum) {
    OnUi([this, maximum] { sink_.setMaximum(maximum); });
}

void DispatchedSessionView::SetProgressPosition(std::uint32_t position) {
    OnUi([this, position] { sink_.setPosition(position); });
}

}  // namespace k5::app
