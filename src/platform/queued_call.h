#pragma once

#include <QEvent>
#include <QObject>
#include <any>
#include <functional>

namespace qel {

// Runs aCall later on the thread of aContext, from that thread's event loop. Callable from any
// thread. The call is dropped when aContext is destroyed before it runs, so a call must only
// reach objects that live as long as its context. An exception leaving the call goes to the
// crash reporter. Returns false (and drops the call) when aContext is null.
bool QueueCall(QObject* aContext, std::function<void()> aCall);

// One pass of the current thread's event loop: handles what is pending, does not wait.
void ProcessMessages();

// Lets the current thread's event loop run for aMilliseconds (waiting for events, not
// spinning). With aDone set it returns as soon as aDone() is true, checked before the first
// pass, after each one and at least every 10 ms. Returns aDone's last answer (false without
// aDone).
// Any handler may run inside: a unit that can be re-entered this way guards itself with
// ReentryGuard.
bool ProcessMessagesFor(int aMilliseconds, const std::function<bool()>& aDone = {});

// Marks a unit busy for a scope so that a second entry through ProcessMessages can refuse:
//   ReentryGuard guard(FBusy);
//   if (!guard.Entered()) return;
// The flag belongs to the thread that runs the unit (normally the main thread).
class ReentryGuard {
public:
    explicit ReentryGuard(bool& aBusy) : FBusy(aBusy), FEntered(!aBusy) { FBusy = true; }
    ~ReentryGuard() {
        if (FEntered) {
            FBusy = false;
        }
    }
    ReentryGuard(const ReentryGuard&) = delete;
    ReentryGuard& operator=(const ReentryGuard&) = delete;

    // False when the unit was already busy: the caller must leave without doing the work.
    bool Entered() const { return FEntered; }

private:
    bool& FBusy;
    bool FEntered;
};

// A window message of the Windows design, posted to the object that stands for the hidden
// window. The receiver overrides QObject::event (or customEvent) and checks From(event).
class PostMessageEvent : public QEvent {
public:
    PostMessageEvent(int aMsg, qint64 aWParam, qint64 aLParam, std::any aPayload = {});

    // The one event type of these messages, registered on first use.
    static QEvent::Type EventType();
    // The message when anEvent is one, nullptr otherwise.
    static const PostMessageEvent* From(const QEvent* anEvent);

    int Msg() const { return FMsg; }
    qint64 WParam() const { return FWParam; }
    qint64 LParam() const { return FLParam; }
    const std::any& Payload() const { return FPayload; }

private:
    int FMsg;
    qint64 FWParam;
    qint64 FLParam;
    std::any FPayload;
};

// Posts the message to aReceiver's thread; it is dropped when aReceiver is destroyed first.
// Callable from any thread. Returns false when aReceiver is null.
bool PostMessage(QObject* aReceiver, int aMsg, qint64 aWParam, qint64 aLParam,
                 std::any aPayload = {});

}  // namespace qel
