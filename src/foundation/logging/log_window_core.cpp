#include "foundation/logging/log_window_core.h"

#include <utility>

#include "platform/queued_call.h"

namespace {

QString TimedLine(TDateTime aTime, const QString& aValue) {
    return FormatDateTime(QStringLiteral("hh:nn:ss.zzz"), aTime) + QStringLiteral(": ") + aValue;
}

QString DateLine(TDateTime aTime) {
    static const QString kRule = QStringLiteral(" ") + QString(61, QLatin1Char('-'));
    return QStringLiteral("-- ") +
           FormatDateTime(QStringLiteral("yyyy-mm-dd hh:nn:ss.zzz"), aTime) + kRule;
}

}  // namespace

TqelShowTextDialog::TqelShowTextDialog(const QString& aLogName, QObject* aParent)
    : QObject(aParent), FLogName(aLogName) {
    FFileLogger.setName(aLogName);
}

TqelShowTextDialog::~TqelShowTextDialog() {
    // The queued display call dies with this object; its lines still belong in the file.
    DisplayStep(false);
}

int TqelShowTextDialog::AddText(const QString& aValue) {
    bool queueDisplay = false;
    {
        // Time, day-change decision and append under one lock: concurrent callers get one date
        // line per day change and their lines in the order of their times.
        std::lock_guard lock(FPendingLock);
        const TDateTime now = Now();
        PendingLine pending;
        if (!FHasLastMessage || DateOf(now) != DateOf(FLastMessageDate)) {
            pending.DateLine = DateLine(now);
        }
        pending.Line = TimedLine(now, aValue);
        FLastMessageDate = now;
        FHasLastMessage = true;
        FPending.push_back(std::move(pending));
        queueDisplay = !FDisplayQueued;
        FDisplayQueued = true;
    }
    // One call per batch: the display step takes everything pending when it runs.
    if (queueDisplay) {
        qel::QueueCall(this, [this] { DisplayStep(true); });
    }
    return 0;
}

void TqelShowTextDialog::setLogToFile(const QString& aFileName) {
    FFileLogger.setFilename(aFileName);
    AddText(QStringLiteral("---------------- Application started ------------------------"));
}

void TqelShowTextDialog::Clear() {
    const int removed = LineCount();
    FLines.clear();
    if (removed > 0) {
        emit LinesChanged(removed, 0);
    }
}

void TqelShowTextDialog::Show() {
    emit ShowRequested();
}

QStringList TqelShowTextDialog::Lines() const {
    return QStringList(FLines.begin(), FLines.end());
}

void TqelShowTextDialog::DisplayPending() {
    DisplayStep(true);
}

void TqelShowTextDialog::DisplayStep(bool aNotify) {
    std::vector<PendingLine> batch;
    {
        std::lock_guard lock(FPendingLock);
        batch.swap(FPending);
        FDisplayQueued = false;
    }
    if (batch.empty()) {
        return;
    }
    const size_t before = FLines.size();
    size_t added = 0;
    for (PendingLine& pending : batch) {
        while (FLines.size() > static_cast<size_t>(kMaxOldLines)) {
            FLines.pop_back();
        }
        if (!pending.DateLine.isEmpty()) {
            FFileLogger.Add(pending.DateLine);
            FLines.push_front(std::move(pending.DateLine));
            ++added;
        }
        FFileLogger.Add(pending.Line);
        FLines.push_front(std::move(pending.Line));
        ++added;
    }
    if (!aNotify) {
        return;
    }
    // Lines of this batch may already have been trimmed again; a view only needs to know what
    // left its end and what came on top.
    const size_t addedKept = std::min(added, FLines.size());
    const size_t oldKept = FLines.size() - addedKept;
    emit LinesChanged(static_cast<int>(before - oldKept), static_cast<int>(addedKept));
}
