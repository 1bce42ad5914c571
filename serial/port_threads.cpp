#include "port_threads.h"

#include "thread_priority.h"

namespace k5::serial {

void TReadThread::Execute() {
    SetCurrentThreadPriority(ThreadPriority::Highest);
    io_.RunReader(*notifier_);
    io_.Purge(true, false);
    io_.ReaderEnded();
}

void TWriteThread::Execute() {
    SetCurrentThreadPriority(ThreadPriority::AboveNormal);
    Loop();
    io_.Purge(false, true);
    io_.WriterEnded();
    queue_->Close();
}

void TWriteThread::Loop() {
    bool notifyWhenEmpty = true;
    for (;;) {
        auto request = queue_->TryPop();
        if (!request) {
            if (notifyWhenEmpty) {
                if (!notifier_->PostOrHangUp(NotifyCode::NotifySendDataEmpty)) return;
                notifyWhenEmpty = false;
            }
            switch (io_.WaitForWork()) {
                case WriterWake::Work:
                    continue;
                case WriterWake::Stop:
                    return;
                case WriterWake::Failed:
                    notifier_->PostHangupOnce();
                    return;
            }
        }
        if (io_.StopSignalled()) return;
        switch (io_.Send(request->block.get(), request->length)) {
            case SendEnd::Sent:
                break;
            case SendEnd::Quiet:
                return;
            case SendEnd::HungUp:
                notifier_->PostHangupOnce();
                return;
        }
        notifyWhenEmpty = true;
    }
}

}  // namespace k5::serial
