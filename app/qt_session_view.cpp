#include "qt_session_view.h"

#include <QMetaObject>
#include <QThread>
#include <memory>

namespace k5::app {

QtSessionView::QtSessionView(ProgressSink sink) : sink_(std::move(sink)) {}

bool QtSessionView::OnUiThread() const { return QThread::currentThread() == context_.thread(); }

void QtSessionView::Post(std::function<void()> task) {
    QMetaObject::invokeMethod(&context_, std::move(task), Qt::QueuedConnection);
}

void QtSessionView::AddLog(const std::string& text) {
    const QString line = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    if (OnUiThread()) {
        sink_.addLog(line);
        return;
    }
    auto shown = std::make_shared<bool>(false);
    Post([this, line, shown] {
        sink_.addLog(line);
        {
            std::lock_guard lock(mutex_);
            *shown = true;
        }
        shown_.notify_all();
    });
    std::unique_lock lock(mutex_);
    shown_.wait(lock, [&] { return *shown || abandoned_; });
}

void QtSessionView::Abandon() {
    {
        std::lock_guard lock(mutex_);
        abandoned_ = true;
    }
    shown_.notify_all();
}

void QtSessionView::OnUi(std::function<void()> call) {
    if (OnUiThread()) {
        call();
    } else {
        Post(std::move(call));
    }
}

void QtSessionView::ShowProgress(bool visible) {
    OnUi([this, visible] { sink_.showProgress(visible); });
}

void QtSessionView::SetProgressMax(std::uint32_t maximum) {
    OnUi([this, maximum] { sink_.setMaximum(maximum); });
}

void QtSessionView::SetProgressPosition(std::uint32_t position) {
    OnUi([this, position] { sink_.setPosition(position); });
}

}  // namespace k5::app
