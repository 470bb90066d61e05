#include "measurement/drivers/lpm_file_logger.h"

#include <QDir>
#include <QtEndian>
#include <cstring>

#include "foundation/settings/server_config.h"
#include "foundation/system/file_utils.h"
#include "foundation/system/relative_paths.h"
#include "platform/date_time.h"

namespace {

constexpr char kSignature[] = "LPMFL";
constexpr int32_t kFileVersion = 1;

}  // namespace

TqelLPMFileLogger::TqelLPMFileLogger(const TqelServerConfig& aConfig)
    : FConfig(aConfig), FBuffer(kWriteBufferSize) {}

TqelLPMFileLogger::~TqelLPMFileLogger() {
    StopLogging();
}

QString TqelLPMFileLogger::FileNameFor(const QString& aPitchName) const {
    QString folder = ResolveRelativePath(FConfig.LPMSavePath());
    if (!QDir().mkpath(folder)) {
        folder = ResolveRelativePath(QString());
    }
    return folder + FormatDateTime(QStringLiteral("yyyymmdd hhnnss"), Now()) + u' ' +
           RemoveInvalidFileNameChars(aPitchName) + QStringLiteral(" Recording.lpm");
}

bool TqelLPMFileLogger::StartLogging(int32_t aRecordSize, const QString& aPitchName,
                                     QString* aWhy) {
    StopLogging();
    FLPMFilename = FileNameFor(aPitchName);
    // Our own buffer: the file is written in 32 KiB pieces and the receive path allocates
    // nothing per record.
    auto file = std::make_unique<QFile>(FLPMFilename);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        if (aWhy) {
            *aWhy = file->errorString();
        }
        return false;
    }
    FFile = std::move(file);
    FRecordLPMFile = true;
    uint8_t header[sizeof(kSignature) - 1 + 8];
    std::memcpy(header, kSignature, sizeof(kSignature) - 1);
    qToLittleEndian<int32_t>(kFileVersion, header + 5);
    qToLittleEndian<int32_t>(aRecordSize, header + 9);
    WriteLPMData(header, sizeof(header));
    return true;
}

void TqelLPMFileLogger::StopLogging() {
    if (!FFile) {
        return;
    }
    Flush();
    FFile->close();
    FFile.reset();
    FRecordLPMFile = false;
}

void TqelLPMFileLogger::WriteLPMData(const uint8_t* aBuffer, int64_t aCount) {
    if (!FFile || aCount <= 0) {
        return;
    }
    if (FBuffered + aCount > kWriteBufferSize) {
        Flush();
    }
    if (aCount > kWriteBufferSize) {
        FFile->write(reinterpret_cast<const char*>(aBuffer), aCount);
        return;
    }
    std::memcpy(FBuffer.data() + FBuffered, aBuffer, static_cast<size_t>(aCount));
    FBuffered += aCount;
}

void TqelLPMFileLogger::Flush() {
    if (FBuffered > 0) {
        // A failed write loses these bytes; the next ones are still tried.
        FFile->write(reinterpret_cast<const char*>(FBuffer.data()), FBuffered);
        FBuffered = 0;
    }
}
