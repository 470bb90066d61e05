#pragma once

#include <QString>
#include <cstdint>
#include <memory>

#include "foundation/model_interfaces.h"
#include "foundation/shared_enums.h"

namespace qel {

enum class MessageKind : uint8_t { Information, Warning, Error, Confirmation };

// The buttons of a message; an answer is one of them.
enum MessageButton : uint32_t {
    mbNone = 0,
    mbOK = 1u << 0,
    mbCancel = 1u << 1,
    mbYes = 1u << 2,
    mbNo = 1u << 3,
    mbAbort = 1u << 4,
    mbRetry = 1u << 5,
    mbIgnore = 1u << 6,
};
using MessageButtons = uint32_t;

// Every message box and progress display of the program goes through this one interface, so
// that the server runs with a window or without a display. One per process, reached through
// Dialogs(). Main thread only.
class IDialogs {
public:
    virtual ~IDialogs() = default;

    // Shows aText and returns the button chosen; aDefault is the answer without a display.
    virtual MessageButton Message(MessageKind aKind, const QString& aCaption, const QString& aText,
                                  MessageButtons aButtons, MessageButton aDefault) = 0;
    // A progress receiver for one long operation, not yet shown; the caller frees it.
    virtual std::unique_ptr<IlpmProgress> CreateProgress() = 0;
};

// Without a display: logs the text and answers the default; a progress receiver keeps its state
// and logs its caption.
class HeadlessDialogs : public IDialogs {
public:
    // Lines go to aLog; without one, to the framework log.
    explicit HeadlessDialogs(TqelLogMessageEvent aLog = {});

    MessageButton Message(MessageKind aKind, const QString& aCaption, const QString& aText,
                          MessageButtons aButtons, MessageButton aDefault) override;
    std::unique_ptr<IlpmProgress> CreateProgress() override;

private:
    void Log(const QString& aLine) const;

    TqelLogMessageEvent FLog;
};

// The dialogs installed, a headless one until something else is installed.
IDialogs& Dialogs();
// Installs aDialogs (not owned; nullptr returns to the headless default) and returns the one
// installed before.
IDialogs* SetDialogs(IDialogs* aDialogs);

// Installs aDialogs for a scope, as tests do.
class ScopedDialogs {
public:
    explicit ScopedDialogs(IDialogs& aDialogs) : FPrevious(SetDialogs(&aDialogs)) {}
    ~ScopedDialogs() { SetDialogs(FPrevious); }
    ScopedDialogs(const ScopedDialogs&) = delete;
    ScopedDialogs& operator=(const ScopedDialogs&) = delete;

private:
    IDialogs* FPrevious;
};

}  // namespace qel
