#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

#include "foundation/shared_enums.h"
#include "model/dataset/notify_varuza.h"
#include "platform/binary_stream.h"

class TqelDataset;

// A video file recorded with the dataset, its time offset against dataset time, and the live
// state of the camera that records it.
//
// Threads: main thread only.
class TqelVideoStream : public TNotifyVaruza {
public:
    // aDataset may be absent: then nothing notifies.
    TqelVideoStream(TqelDataset* aDataset, int32_t anID);

    TqelDataset* Dataset() const { return FDataSet; }
    int32_t ID() const { return FID; }
    void setID(int32_t aValue) { FID = aValue; }
    // 255 = none.
    uint8_t CameraIndex() const { return FCameraIndex; }
    void setCameraIndex(uint8_t aValue) { FCameraIndex = aValue; }

    // These setters tell the dataset when the value changes.
    QString Filename() const { return FFilename; }
    void setFilename(const QString& aValue);
    QString Description() const { return FDescription; }
    void setDescription(const QString& aValue);
    // Video time minus dataset time: dataset time t is at video time t + offset.
    int32_t OffsetInMS() const { return FOffsetInMS; }
    void setOffsetInMS(int32_t aValue);
    int64_t DurationInMS() const { return FDurationInMS; }
    void setDurationInMS(int64_t aValue);
    TqelCamConnection CamState() const { return FCamState; }
    void setCamState(TqelCamConnection aValue);
    TqelTrackingMode TrackMode() const { return FTrackMode; }
    void setTrackMode(TqelTrackingMode aValue);
    int32_t ZoomLevel() const { return FZoomLevel; }
    void setZoomLevel(int32_t aValue);

    // The LPM time in ms at which the video started. Once the dataset has its first sample the
    // offset follows from it.
    int32_t StartLPMtimeInMS() const { return FStartInMS; }
    void setStartLPMtimeInMS(int32_t aValue);

    // Stored only.
    int32_t LineIndex() const { return FLineIndex; }
    void setLineIndex(int32_t aValue) { FLineIndex = aValue; }
    QString GameOnID() const { return FGameOnID; }
    void setGameOnID(const QString& aValue) { FGameOnID = aValue; }
    QString IPAddress() const { return FIPAddress; }
    void setIPAddress(const QString& aValue) { FIPAddress = aValue; }
    QString Manufacturer() const { return FManufacturer; }
    void setManufacturer(const QString& aValue) { FManufacturer = aValue; }
    QString UserName() const { return FUserName; }
    void setUserName(const QString& aValue) { FUserName = aValue; }
    QString Password() const { return FPassword; }
    void setPassword(const QString& aValue) { FPassword = aValue; }
    // The file the camera records to, relative to the video folder.
    QString RecordingFile() const { return FRecordingFile; }
    void setRecordingFile(const QString& aValue) { FRecordingFile = aValue; }
    QString RTSPStream() const { return FRTSPStream; }
    void setRTSPStream(const QString& aValue) { FRTSPStream = aValue; }
    QStringList& Presets() { return FPresets; }
    const QStringList& Presets() const { return FPresets; }

    // The video stream block of a dataset file of aVersion. Before version 20 the ID is -1 and
    // the reader numbers the stream; before 90 the camera index comes from the file name.
    void readFromStream(qel::BinaryReader& aStream, uint16_t aVersion);
    void writeToStream(qel::BinaryWriter& aStream) const;

    // The camera of a stream named "..._domeN.mp4": N - 1, 255 for a name without a number
    // there or for N = 0. A name without "dome" takes its 4th and 5th characters.
    static uint8_t CameraIndexFromName(const QString& aFilename);

private:
    template <class T>
    void StoreNotifying(T& aField, const T& aValue);

    TqelDataset* FDataSet;
    int32_t FID;
    QString FFilename;
    QString FDescription;
    int32_t FOffsetInMS = 0;
    int32_t FStartInMS = 0;
    int64_t FDurationInMS = 0;
    uint8_t FCameraIndex = 255;
    int32_t FLineIndex = 0;
    TqelCamConnection FCamState = comNA;
    int32_t FZoomLevel = 0;
    TqelTrackingMode FTrackMode = trkNone;
    QStringList FPresets;
    QString FIPAddress;
    QString FUserName;
    QString FPassword;
    QString FManufacturer;
    QString FRecordingFile;
    QString FRTSPStream;
    QString FGameOnID;
};
