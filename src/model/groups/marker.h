#pragma once

#include <QString>
#include <QUuid>
#include <cstdint>

#include "model/dataset/notify_varuza.h"
#include "platform/binary_stream.h"
#include "platform/date_time.h"

class TqelDataset;

enum TqelMarkerToStringType : uint8_t {
    mtsTime,
    mtsTimeAndDescription,
    mtsShortTime,
    mtsShortTimeAndDescription
};

// A named instant on a dataset's time line. Type 1 starts a race; type 6 is a goal of the
// ice-hockey clock. The dataset owns its markers.
//
// Threads: changed and freed under the dataset's ModelLock(); notices and the database row are
// written after it is let go.
class TqelMarker : public TNotifyVaruza {
public:
    static constexpr int8_t PlainMarker = 0;
    static constexpr int8_t StartMarker = 1;
    static constexpr int8_t GoalMarker = 6;

    // A new GUID, time 0, the description trimmed.
    TqelMarker(TqelDataset* aDataSet, const QString& aDescription, int32_t anID);

    TqelDataset* Dataset() const { return FDataSet; }
    QUuid GUID() const { return FGUID; }
    void setGUID(const QUuid& aValue) { FGUID = aValue; }
    int32_t ID() const { return FID; }
    void setID(int32_t aValue) { FID = aValue; }
    // Description and time: a change also writes the database row while recording with live
    // storage, and is notified.
    int32_t TimeposInMS() const { return FTimeposInMS; }
    void setTimeposInMS(int32_t aValue);
    QString Description() const { return FDescription; }
    void setDescription(const QString& aValue);
    // Symbol and type: a change is notified.
    int32_t Symbol() const { return FSymbol; }
    void setSymbol(int32_t aValue);
    int8_t MarkerType() const { return FMarkerType; }
    void setMarkerType(int8_t aValue);

    // The wall-clock time of the marker.
    TDateTime TimePosAsDateTime() const;
    // Measurement-system time in 0.1 ms.
    int64_t LPMTimePos() const;
    // The non-empty lines of the description joined by "/"; a line holding "/" or a double
    // quote is quoted.
    QString AsText() const;
    QString ToString(TqelMarkerToStringType aType) const;

    // The marker's MARKERS row (keyed by its GUID), only while the dataset records with live
    // storage.
    void SaveToDatabase();

    // The marker block; the GUID is not in it. Below version 20 the id becomes -1.
    void readFromStream(qel::BinaryReader& aStream, int32_t aVersion);
    void writeToStream(qel::BinaryWriter& aStream) const;

private:
    void NotifyChanged();

    QUuid FGUID;
    TqelDataset* FDataSet = nullptr;
    int32_t FTimeposInMS = 0;
    QString FDescription;
    int32_t FSymbol = 0;
    int8_t FMarkerType = PlainMarker;
    int32_t FID = 0;
};
