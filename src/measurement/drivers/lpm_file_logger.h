#pragma once

#include <QFile>
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

class TqelServerConfig;

// Writes the raw LPM records of a running measurement to a ".lpm" file: the header "LPMFL",
// int32 1 and the record size (little-endian), then the records as they arrived. Write errors
// are ignored: the recording of positions must not stop for the raw copy.
//
// Main thread only (the LPM driver's socket event and state changes).
class TqelLPMFileLogger {
public:
    static constexpr int64_t kWriteBufferSize = 32768;

    // The server settings must outlive the logger.
    explicit TqelLPMFileLogger(const TqelServerConfig& aConfig);
    ~TqelLPMFileLogger();
    TqelLPMFileLogger(const TqelLPMFileLogger&) = delete;
    TqelLPMFileLogger& operator=(const TqelLPMFileLogger&) = delete;

    // Closes an open file, then creates a new one (an old file of that name is replaced) and
    // writes the header. False with aWhy set when the file cannot be created.
    bool StartLogging(int32_t aRecordSize, const QString& aPitchName, QString* aWhy = nullptr);
    // Writes what is buffered and closes; nothing without a file.
    void StopLogging();
    // Appends the bytes when a file is open.
    void WriteLPMData(const uint8_t* aBuffer, int64_t aCount);

    bool RecordLPMFile() const { return FRecordLPMFile; }
    // The current or last file's name.
    QString LPMFilename() const { return FLPMFilename; }

    // LPMSavePath with a trailing delimiter, "yyyymmdd hhnnss", a blank, the pitch name without
    // the characters a file name must not hold and " Recording.lpm". The executable's folder
    // stands in for a save path that neither exists nor can be created.
    QString FileNameFor(const QString& aPitchName) const;

private:
    void Flush();

    const TqelServerConfig& FConfig;
    std::unique_ptr<QFile> FFile;
    std::vector<uint8_t> FBuffer;
    int64_t FBuffered = 0;
    QString FLPMFilename;
    bool FRecordLPMFile = false;
};
