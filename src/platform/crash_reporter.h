#pragma once

#include <QString>
#include <cstdint>
#include <exception>
#include <functional>

namespace qel {

// The one place exceptions go that nobody else handles: interval and pool threads, queued
// calls, event handlers and the application's last net. A report is a line in the crash log,
// "yyyy-mm-dd hh:nn:ss.zzz <context>: <Class> - <message>", appended with CRLF in UTF-8.
// Every member may be called from any thread and none of them throws: a crash log that cannot
// be written is reported on stderr instead.
class CrashReporter {
public:
    CrashReporter() = delete;

    static void Report(const std::exception& anException, const QString& aContext = {}) noexcept;
    // For catch (...) where the exception is not a std::exception.
    static void ReportUnknown(const QString& aContext) noexcept;

    // Reports made since the start of the process (also those whose line was not written).
    static int64_t ReportCount() noexcept;

    // "<exe>_crash.log" next to the executable unless set. An empty name restores the default.
    static void SetLogFileName(const QString& aFileName);
    static QString LogFileName();
    static QString DefaultLogFileName();

    // An extra value for every report, written as "<title>: <value>" lines below the report
    // line. Registrations of one name are counted: the first adds it, the last removal drops it.
    // aValue runs on the reporting thread and must not raise (a raise gives empty text).
    static void RegisterField(const QString& aName, const QString& aTitle,
                              std::function<QString()> aValue);
    static void UnregisterField(const QString& aName);
    // The registered fields as they are added to a report, each line led by "\n".
    static QString FieldsText() noexcept;

    // The freeze watchdog of the Windows build; there is none here, the calls are kept so that
    // long work still says where it would keep the watchdog quiet.
    static void ResetFreezeWatchdog() noexcept {}
    static void PauseFreezeCheck() noexcept {}
    static void ContinueFreezeCheck() noexcept {}
};

}  // namespace qel
