// Carries notifications from the port's threads to the thread that created the
// component. Post never blocks; callables run on the target thread in posting
// order (first in, first out).
#pragma once

#include <functional>

namespace k5::serial {

class Dispatcher {
  public:
    virtual ~Dispatcher() = default;
    // False when the target no longer accepts work; the callable is dropped then.
    virtual bool Post(std::function<void()> task) = 0;
};

}  // namespace k5::serial
