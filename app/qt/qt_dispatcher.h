// Runs posted work on the Qt event loop of the thread that made the dispatcher.
#pragma once

#include <QObject>

#include "dispatcher.h"

namespace k5::app {

class QtDispatcher : public serial::Dispatcher {
  public:
    bool Post(std::function<void()> task) override;
    // The object whose thread runs the work; queued events to it keep their order.
    QObject* Context() { return &context_; }

  private:
    QObject context_;
};

}  // namespace k5::app
