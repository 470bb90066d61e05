#include "platform/crash_reporter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtGlobal>
#include <atomic>
#include <mutex>

#include "platform/date_time.h"
#include "platform/exception.h"

namespace qel {

namespace {

// Guarded by Mutex: the log file name and the writing of the file.
struct ReporterState {
    std::mutex Mutex;
    QString FileName;
    std::atomic<int64_t> Count{0};
};

ReporterState& State() {
    static ReporterState state;
    return state;
}

void WriteLine(const QString& aText) noexcept {
    try {
        QString line = FormatDateTime(QStringLiteral("yyyy-mm-dd hh:nn:ss.zzz"), Now()) +
                       QLatin1Char(' ') + aText;
        // One report stays one record even when the message spans lines.
        line.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        line.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        line.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
        const QByteArray bytes = line.toUtf8() + "\r\n";

        ReporterState& state = State();
        std::lock_guard lock(state.Mutex);
        const QString fileName =
            state.FileName.isEmpty() ? CrashReporter::DefaultLogFileName() : state.FileName;
        QFile file(fileName);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Append) ||
            file.write(bytes) != bytes.size() || !file.flush()) {
            qWarning("Crash log %s not written: %s", qUtf8Printable(fileName),
                     qUtf8Printable(line));
        }
    } catch (...) {
        // The reporter must never raise from the handler that called it.
    }
}

QString WithContext(const QString& aContext, const QString& aDescription) {
    return aContext.isEmpty() ? aDescription : aContext + QStringLiteral(": ") + aDescription;
}

}  // namespace

void CrashReporter::Report(const std::exception& anException, const QString& aContext) noexcept {
    State().Count.fetch_add(1);
    try {
        WriteLine(WithContext(aContext, DescribeException(anException)));
    } catch (...) {
    }
}

void CrashReporter::ReportUnknown(const QString& aContext) noexcept {
    State().Count.fetch_add(1);
    try {
        WriteLine(WithContext(aContext, QStringLiteral("Unknown exception")));
    } catch (...) {
    }
}

int64_t CrashReporter::ReportCount() noexcept {
    return State().Count.load();
}

void CrashReporter::SetLogFileName(const QString& aFileName) {
    ReporterState& state = State();
    std::lock_guard lock(state.Mutex);
    state.FileName = aFileName;
}

QString CrashReporter::LogFileName() {
    ReporterState& state = State();
    std::lock_guard lock(state.Mutex);
    return state.FileName.isEmpty() ? DefaultLogFileName() : state.FileName;
}

QString CrashReporter::DefaultLogFileName() {
    // Read from the kernel so that it works before (and after) the application object exists.
    const QFileInfo exe(QFile::symLinkTarget(QStringLiteral("/proc/self/exe")));
    const QString baseName =
        exe.fileName().isEmpty() ? QStringLiteral("qelServer") : exe.fileName();
    const QString folder = exe.fileName().isEmpty() ? QDir::currentPath() : exe.absolutePath();
    return QDir(folder).filePath(baseName + QStringLiteral("_crash.log"));
}

}  // namespace qel
