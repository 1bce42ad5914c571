#include "qt_dispatcher.h"

#include <QMetaObject>

namespace k5::app {

bool QtDispatcher::Post(std::function<void()> task) {
    return QMetaObject::invokeMethod(&context_, std::move(task), Qt::QueuedConnection);
}

}  // namespace k5::app
