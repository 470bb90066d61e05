#pragma once

#include <QObject>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "foundation/model_interfaces.h"
#include "foundation/shared_enums.h"

namespace qel {

// The progress of a long main-thread operation without a window: nested sections turned into
// one overall percentage, the texts, the cancel handlers. A display derives from it and
// overrides the Show... hooks; the state is kept here so that a headless run and the tests see
// the same arithmetic. Main thread only.
class ProgressState : public IlpmProgress {
public:
    using CancelHandler = std::function<void(QObject* aSender)>;
    // Sections open at once; deeper ones are counted so that their endSection pairs up, and
    // otherwise ignored.
    static constexpr int kMaxLevels = 10;

    ProgressState() = default;
    ~ProgressState() override = default;
    ProgressState(const ProgressState&) = delete;
    ProgressState& operator=(const ProgressState&) = delete;

    void beginSection(int64_t anEndPosition, int64_t aSize) override;
    void endSection() override;
    void setOnCancel(const CancelHandler& aHandler) override;
    void updateCaption(const QString& aCaption) override;
    void updateMessage(const QString& aMessage) override;
    void updateDetails(const QString& aDetails) override;
    void updateProgress(int64_t aPosition) override;
    void IncrementPosition() override;
    void setLastError(const QString& aValue) override { FLastError = aValue; }
    QString LastError() override { return FLastError; }
    void Show() override { ShowWindow(); }
    void LogMessage(const QString& aMessage) override;

    // "Cancel", the close icon or a close request: marks the operation cancelled and calls the
    // handlers in the order they were added.
    void Cancel();

    bool IsCanceled() const { return FIsCanceled; }
    bool NoGuiUpdate() const { return FNoGuiUpdate; }
    void setNoGuiUpdate(bool aValue) { FNoGuiUpdate = aValue; }
    TqelLogMessageEvent OnLogMessage;

    int Level() const { return FLevel; }
    // The percentage last put on the bar, unrounded (0..100).
    double Bar() const { return FBar; }
    QString Caption() const { return FCaption; }
    QString Message() const { return FMessage; }
    QString Details() const { return FDetails; }
    bool CancelShown() const { return FCancelShown; }
    int CancelHandlerCount() const { return static_cast<int>(FOnCancel.size()); }

protected:
    // What a display does with a change; nothing without one.
    virtual void ShowCaption(const QString& /*aCaption*/) {}
    virtual void ShowMessage(const QString& /*aMessage*/) {}
    virtual void ShowDetails(const QString& /*aDetails*/) {}
    virtual void ShowBar(double /*aPercent*/) {}
    virtual void ShowCancel(bool /*aShown*/) {}
    virtual void ShowWindow() {}
    // Lets pending window messages run so that the display repaints and "Cancel" is heard.
    virtual void LetMessagesRun() {}
    // The sender the cancel handlers get.
    virtual QObject* CancelSender() { return nullptr; }

private:
    void RefreshPercentage();
    // Index of the innermost open section that is kept, -1 when none.
    int Innermost() const;

    int FLevel = 0;
    std::array<int64_t, kMaxLevels> FSectionSize{};
    std::array<int64_t, kMaxLevels> FSectionEnd{};
    std::array<double, kMaxLevels> FSectionWeight{};
    std::array<int64_t, kMaxLevels> FSectionPos{};
    double FBar = 0;
    bool FIsCanceled = false;
    bool FNoGuiUpdate = false;
    bool FCancelShown = true;
    std::vector<CancelHandler> FOnCancel;
    QString FLastError;
    QString FCaption;
    QString FMessage;
    QString FDetails;
};

}  // namespace qel
