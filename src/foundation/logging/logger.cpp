#include "foundation/logging/logger.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include "foundation/stream_strings.h"
#include "platform/date_time.h"

namespace {

const QString kLineEnd = QStringLiteral("\r\n");

QString CategoryTag(TlpmLogCategory aCategory) {
    switch (aCategory) {
        case lcSys:
            return QStringLiteral("(SYS) ");
        case lcLog:
            return QStringLiteral("(LOG) ");
        case lcErr:
            return QStringLiteral("(ERR) ");
        case lcBug:
            return QStringLiteral("(BUG) ");
        case lcFat:
            break;
    }
    return {};
}

// The extension as the file name's last "." after its last folder separator.
qsizetype ExtensionStart(const QString& aFileName) {
    const qsizetype dot = aFileName.lastIndexOf(u'.');
    const qsizetype separator = std::max(aFileName.lastIndexOf(u'/'), aFileName.lastIndexOf(u'\\'));
    return dot > separator ? dot : aFileName.size();
}

}  // namespace

TlpmLogger::TlpmLogger() {
    OnTerminate = [] {
        if (QCoreApplication* app = QCoreApplication::instance()) {
            QMetaObject::invokeMethod(
                app, [] { QCoreApplication::exit(1); }, Qt::QueuedConnection);
        }
    };
}

TlpmLogger::~TlpmLogger() {
    if (FLogTimer) {
        FLogTimer->stop();
    }
    WriteKeptLines();
}

void TlpmLogger::log(TlpmLogCategory aCategory, TlpmLogLevel aLevel, const QString& aMessage) {
    if (FLevel < aLevel) {
        return;
    }
    try {
        QString line = FormatDateTime(QStringLiteral("yyyy/mm/dd hh:mm:ss.zzz"), Now()) +
                       QStringLiteral(": ") + CategoryTag(aCategory) + aMessage;
        while (line.endsWith(kLineEnd)) {
            line.chop(kLineEnd.size());
        }
        if (OnLog) {
            OnLog(aLevel, aCategory, line);
        }
        FLogLines.push_back(line + kLineEnd);
        if (FLogLines.size() > static_cast<size_t>(kMaxKeptLines)) {
            // A burst larger than the memory limit goes to the file before anything is dropped.
            WriteKeptLines();
        }
        // Lines that no file takes (none set, or it cannot be written): keep the newest only.
        while (FLogLines.size() > static_cast<size_t>(kMaxKeptLines)) {
            FLogLines.pop_front();
        }
    } catch (...) {
        // A log line must never take its caller down.
    }
}

void TlpmLogger::bug(const QString& aMessage) {
    log(lcBug, llMinimal, aMessage);
}

void TlpmLogger::error(const QString& aMessage) {
    log(lcErr, llMinimal, aMessage);
}

void TlpmLogger::fatal(const QString& aMessage) {
    log(lcFat, llMinimal, aMessage);
    WriteKeptLines();
    if (OnTerminate) {
        OnTerminate();
    }
}

void TlpmLogger::LogMessage(const QString& aMessage) {
    log(lcSys, llNormal, aMessage);
}

void TlpmLogger::start(const QString& aFileName) {
    FFileName = aFileName;
    if (!FLogTimer) {
        FLogTimer = std::make_unique<QTimer>();
        FLogTimer->setInterval(FFlushInterval);
        QObject::connect(FLogTimer.get(), &QTimer::timeout, FLogTimer.get(),
                         [this] { WriteKeptLines(); });
    }
    FLogTimer->start();
}

void TlpmLogger::stop() {
    WriteKeptLines();
    if (FLogTimer) {
        FLogTimer->stop();
    }
    FFileName.clear();
}

void TlpmLogger::setFlushInterval(int aValue) {
    FFlushInterval = aValue;
    if (FLogTimer) {
        FLogTimer->setInterval(aValue);
    }
}

QString TlpmLogger::KeptLines() const {
    QString text;
    for (const QString& line : FLogLines) {
        text += line;
    }
    return text;
}

QString TlpmLogger::HourlyFileName() const {
    if (FFileName.isEmpty()) {
        return {};
    }
    const qsizetype extension = ExtensionStart(FFileName);
    return FFileName.left(extension) + u'_' +
           FormatDateTime(QStringLiteral("yyyy-mm-dd_hh00-hh59"), Now()) + FFileName.mid(extension);
}

void TlpmLogger::WriteKeptLines() {
    if (FFileName.isEmpty() || FLogLines.empty()) {
        return;
    }
    try {
        QFile file(HourlyFileName());
        const bool opened = file.exists()
                                ? file.open(QIODevice::ReadWrite) && file.seek(file.size())
                                : file.open(QIODevice::WriteOnly | QIODevice::NewOnly);
        if (!opened) {
            return;  // kept for the next flush
        }
        qel::BinaryWriter writer(file);
        WriteStreamAnsiString(writer, KeptLines(), false);
        if (!file.flush()) {
            return;
        }
        FLogLines.clear();
    } catch (...) {
        // Kept for the next flush.
    }
}

TlpmLogger& Logger() {
    static TlpmLogger instance;
    return instance;
}
