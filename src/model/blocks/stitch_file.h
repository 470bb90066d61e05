#pragma once

#include <QString>
#include <cstdint>

#include "model/dataset/notify_varuza.h"
#include "platform/binary_stream.h"

class TqelDataset;

// A stitched video file of a dataset with its time offset against dataset time.
//
// Threads: main thread only.
class TqelStitchFile : public TNotifyVaruza {
public:
    // aDataset may be absent: then nothing notifies.
    TqelStitchFile(TqelDataset* aDataset, int32_t anID);

    TqelDataset* Dataset() const { return FDataSet; }
    int32_t ID() const { return FID; }
    void setID(int32_t aValue) { FID = aValue; }

    // These setters tell the dataset when the value changes.
    QString Filename() const { return FFilename; }
    void setFilename(const QString& aValue);
    QString Description() const { return FDescription; }
    void setDescription(const QString& aValue);
    int32_t OffsetInMS() const { return FOffsetInMS; }
    void setOffsetInMS(int32_t aValue);
    int32_t StartInMS() const { return FStartInMS; }
    void setStartInMS(int32_t aValue);

    // The stitch file block (one layout in every version).
    void readFromStream(qel::BinaryReader& aStream, uint16_t aVersion);
    void writeToStream(qel::BinaryWriter& aStream) const;

private:
    template <class T>
    void StoreNotifying(T& aField, const T& aValue);

    TqelDataset* FDataSet;
    int32_t FID;
    QString FFilename;
    QString FDescription;
    int32_t FOffsetInMS = 0;
    int32_t FStartInMS = 0;
};
