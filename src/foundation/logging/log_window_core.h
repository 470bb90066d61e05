#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <deque>
#include <mutex>
#include <vector>

#include "foundation/logging/file_logger.h"
#include "platform/date_time.h"

// The log window of the system without its widget: the lines a view shows (newest first), the
// day-change rule and the log's file writer. Any component, on any thread, reports with AddText;
// the lines are formatted at once on the caller's thread and shown at the next pass of the
// owning (main) thread's event loop. Headless nobody answers ShowRequested and the lines are
// only kept (and written to the file when one is given).
//
// Threads: AddText may be called from any thread. FPendingLock guards FPending,
// FLastMessageDate, FHasLastMessage and FDisplayQueued. FLines and the notifications belong to
// the thread the core lives on (the main thread); the file writer locks its own queue.
class TqelShowTextDialog : public QObject {
    Q_OBJECT

public:
    // Older lines kept when a new one arrives; a date line and the new line come on top.
    static constexpr int kMaxOldLines = 1200;

    explicit TqelShowTextDialog(const QString& aLogName, QObject* aParent = nullptr);
    // Lines still waiting for the display are handed to the file writer, which writes what it
    // holds before it stops.
    ~TqelShowTextDialog() override;
    TqelShowTextDialog(const TqelShowTextDialog&) = delete;
    TqelShowTextDialog& operator=(const TqelShowTextDialog&) = delete;

    const QString& LogName() const { return FLogName; }

    // Stamps aValue with the time of the call and queues it for the display. Returns 0, the
    // row at which the line will appear.
    int AddText(const QString& aValue);

    // Gives the file writer its file (opened for appending; raises when it cannot be opened),
    // then logs the start line.
    void setLogToFile(const QString& aFileName);
    QString LogToFile() const { return FFileLogger.Filename(); }

    // Empties the shown lines; the file and the date of the last line stay.
    void Clear();

    // Asks a view to show the window.
    void Show();

    // Main thread: the shown lines, newest first.
    int LineCount() const { return static_cast<int>(FLines.size()); }
    const QString& Line(int anIndex) const { return FLines[static_cast<size_t>(anIndex)]; }
    QStringList Lines() const;

    // Runs the display step now for what is pending (normally the queued call does). Main
    // thread only.
    void DisplayPending();

signals:
    // After one display step or Clear: aRemovedOldest lines went from the end of the list that
    // a view showed before, then aAddedNewest lines came at its top.
    void LinesChanged(int aRemovedOldest, int aAddedNewest);
    void ShowRequested();

private:
    // One AddText call: its date line (empty when none is due) and its line.
    struct PendingLine {
        QString DateLine;
        QString Line;
    };

    void DisplayStep(bool aNotify);

    const QString FLogName;
    TqelFileLogger FFileLogger;

    std::mutex FPendingLock;
    std::vector<PendingLine> FPending;
    TDateTime FLastMessageDate = 0;
    // No line yet: the first one always gets a date line.
    bool FHasLastMessage = false;
    // A display call is queued and will take everything pending.
    bool FDisplayQueued = false;

    std::deque<QString> FLines;
};
