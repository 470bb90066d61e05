#include "foundation/system/processes.h"

#include <signal.h>
#include <sys/types.h>

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>
#include <QUrl>
#include <algorithm>
#include <vector>

namespace {

constexpr int kStartTimeoutMs = 30000;
constexpr int kRepaintIntervalMs = 50;
constexpr qint64 kProcFileLimit = 4096;

QByteArray ReadProcFile(const QString& aPath) {
    QFile file(aPath);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return file.read(kProcFileLimit);
}

// A process that has ended but was not yet reaped by its parent is no longer running.
bool IsZombie(const QString& aProcFolder) {
    const QByteArray stat = ReadProcFile(aProcFolder + QStringLiteral("/stat"));
    // "pid (name) S ...": the name may itself hold ") ", so look after the last one.
    const qsizetype nameEnd = stat.lastIndexOf(") ");
    return nameEnd >= 0 && stat.size() > nameEnd + 2 && stat[nameEnd + 2] == 'Z';
}

bool ProcessMatches(const QString& aProcFolder, const QStringList& aNames) {
    QStringList candidates;
    QString executable = QFile::symLinkTarget(aProcFolder + QStringLiteral("/exe"));
    const QString deleted = QStringLiteral(" (deleted)");
    if (executable.endsWith(deleted)) {
        executable.chop(deleted.size());
    }
    if (!executable.isEmpty()) {
        candidates << executable << QFileInfo(executable).fileName();
    }
    // Other users' executables may not be readable; their command line is.
    const QByteArray commandLine = ReadProcFile(aProcFolder + QStringLiteral("/cmdline"));
    const QString firstArgument =
        QString::fromLocal8Bit(commandLine.left(commandLine.indexOf('\0')));
    if (!firstArgument.isEmpty()) {
        candidates << firstArgument << QFileInfo(firstArgument).fileName();
    }
    for (const QString& candidate : candidates) {
        for (const QString& name : aNames) {
            if (candidate.compare(name, Qt::CaseInsensitive) == 0) {
                return true;
            }
        }
    }
    return false;
}

std::vector<pid_t> RunningProcessesNamed(const QString& anExeName) {
    std::vector<pid_t> found;
    if (anExeName.trimmed().isEmpty()) {
        return found;
    }
    QStringList names{anExeName};
    const QString exeSuffix = QStringLiteral(".exe");
    if (anExeName.size() > exeSuffix.size() && anExeName.endsWith(exeSuffix, Qt::CaseInsensitive)) {
        names << anExeName.chopped(exeSuffix.size());
    }
    std::vector<pid_t> ids;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool isNumber = false;
        const pid_t id = static_cast<pid_t>(entry.toLong(&isNumber));
        if (isNumber && id > 0) {
            ids.push_back(id);
        }
    }
    std::sort(ids.begin(), ids.end());
    for (const pid_t id : ids) {
        const QString folder = QStringLiteral("/proc/%1").arg(id);
        if (ProcessMatches(folder, names) && !IsZombie(folder)) {
            found.push_back(id);
        }
    }
    return found;
}

bool LooksLikeUrl(const QString& aText) {
    // Longer than one letter, so that "C:" stays a path.
    return QUrl(aText).scheme().size() > 1;
}

}  // namespace

int64_t FindProcessIdByExeName(const QString& anExeName) {
    const std::vector<pid_t> ids = RunningProcessesNamed(anExeName);
    return ids.empty() ? 0 : ids.front();
}

int KillProcessesByExeName(const QString& anExeName) {
    int ended = 0;
    for (const pid_t id : RunningProcessesNamed(anExeName)) {
        if (::kill(id, SIGKILL) == 0) {
            ++ended;
        }
    }
    return ended;
}

int ShellOpen(const QString& aFileName, const QString& aParameters, int aShowCommand) {
    if (aFileName.trimmed().isEmpty()) {
        return SE_ERR_FNF;
    }
    const QFileInfo info(aFileName);
    QString program;
    if (info.isFile() && info.isExecutable()) {
        program = info.absoluteFilePath();
    } else if (!info.exists() && !aFileName.contains(QLatin1Char('/'))) {
        program = QStandardPaths::findExecutable(aFileName);
    }
    if (!program.isEmpty()) {
        return QProcess::startDetached(program, QProcess::splitCommand(aParameters),
                                       QFileInfo(program).absolutePath())
                   ? qel::kShellOpenDone
                   : SE_ERR_FNF;
    }
    if (!info.exists() && !LooksLikeUrl(aFileName)) {
        return SE_ERR_FNF;
    }
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty()) {
        return SE_ERR_NOASSOC;
    }
    return QProcess::startDetached(opener, {aFileName},
                                   info.exists() ? info.absolutePath() : QString())
               ? qel::kShellOpenDone
               : SE_ERR_NOASSOC;
}

int ExecuteAndWait(const QString& aCommandLine, int aShowCommand) {
    QStringList arguments = QProcess::splitCommand(aCommandLine);
    if (arguments.isEmpty()) {
        return -1;
    }
    QProcess process;
    process.setProgram(arguments.takeFirst());
    process.setArguments(arguments);
    // Nobody could answer a prompt, and unread output would fill the pipe and stall the child.
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start();
    if (!process.waitForStarted(kStartTimeoutMs)) {
        process.kill();
        process.waitForFinished(kStartTimeoutMs);
        return -1;
    }
    while (!process.waitForFinished(kRepaintIntervalMs)) {
        if (process.state() == QProcess::NotRunning) {
            break;
        }
        // Repaints only: any other event could re-enter the caller while it waits.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateLater);
    }
    if (process.exitStatus() == QProcess::CrashExit) {
        return 128 + process.exitCode();
    }
    return process.exitCode();
}

bool ExtractResourceToFile(const QString& aResourceName, const QString& aFileName) {
    QString path = aResourceName;
    while (path.startsWith(QLatin1Char(':')) || path.startsWith(QLatin1Char('/'))) {
        path.remove(0, 1);
    }
    QFile resource(QStringLiteral(":/") + path);
    if (path.isEmpty() || !resource.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray data = resource.readAll();
    QSaveFile file(aFileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size()) {
        return false;
    }
    return file.commit();
}
