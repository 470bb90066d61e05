#include "platform/crash_reporter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtGlobal>
#include <atomic>
#include <mutex>
#include <vector>

#include "platform/date_time.h"
#include "platform/exception.h"

namespace qel {

namespace {

// Guarded by Mutex: the log file name and the writing of the file.
struct ReporterState {
    std::mutex Mutex;
    QString FileName;
    std::atomic<int64_t> Count{0};
    // Guarded by FieldsMutex, apart from Mutex so that a field's value is read unlocked by it.
    struct Field {
        QString Name;
        QString Title;
        std::function<QString()> Value;
        int Registrations = 0;
    };
    std::mutex FieldsMutex;
    std::vector<Field> Fields;
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
        WriteLine(WithContext(aContext, DescribeException(anException)) + FieldsText());
    } catch (...) {
    }
}

void CrashReporter::ReportUnknown(const QString& aContext) noexcept {
    State().Count.fetch_add(1);
    try {
        WriteLine(WithContext(aContext, QStringLiteral("Unknown exception")) + FieldsText());
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

void CrashReporter::RegisterField(const QString& aName, const QString& aTitle,
                                  std::function<QString()> aValue) {
    ReporterState& state = State();
    std::lock_guard lock(state.FieldsMutex);
    for (ReporterState::Field& field : state.Fields) {
        if (field.Name == aName) {
            ++field.Registrations;
            return;
        }
    }
    state.Fields.push_back({aName, aTitle, std::move(aValue), 1});
}

void CrashReporter::UnregisterField(const QString& aName) {
    ReporterState& state = State();
    std::lock_guard lock(state.FieldsMutex);
    for (auto it = state.Fields.begin(); it != state.Fields.end(); ++it) {
        if (it->Name == aName) {
            if (--it->Registrations <= 0)
                state.Fields.erase(it);
            return;
        }
    }
}

QString CrashReporter::FieldsText() noexcept {
    try {
        std::vector<std::pair<QString, std::function<QString()>>> fields;
        {
            ReporterState& state = State();
            std::lock_guard lock(state.FieldsMutex);
            for (const ReporterState::Field& field : state.Fields)
                fields.emplace_back(field.Title, field.Value);
        }
        QString text;
        for (const auto& [title, value] : fields) {
            QString fieldText;
            try {
                fieldText = value ? value() : QString();
            } catch (...) {
            }
            text += QLatin1Char('\n') + title + QStringLiteral(": ") + fieldText;
        }
        return text;
    } catch (...) {
        return {};
    }
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
