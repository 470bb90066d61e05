#include "model/blocks/stitch_file.h"

#include "foundation/stream_strings.h"
#include "model/dataset/dataset.h"

TqelStitchFile::TqelStitchFile(TqelDataset* aDataset, int32_t anID)
    : FDataSet(aDataset), FID(anID) {}

template <class T>
void TqelStitchFile::StoreNotifying(T& aField, const T& aValue) {
    if (aField == aValue) {
        return;
    }
    aField = aValue;
    if (FDataSet) {
        FDataSet->notifyStitchFileChanged(this);
    }
}

void TqelStitchFile::setFilename(const QString& aValue) {
    StoreNotifying(FFilename, aValue);
}

void TqelStitchFile::setDescription(const QString& aValue) {
    StoreNotifying(FDescription, aValue);
}

void TqelStitchFile::setOffsetInMS(int32_t aValue) {
    StoreNotifying(FOffsetInMS, aValue);
}

void TqelStitchFile::setStartInMS(int32_t aValue) {
    StoreNotifying(FStartInMS, aValue);
}

void TqelStitchFile::readFromStream(qel::BinaryReader& aStream, uint16_t /*aVersion*/) {
    FID = aStream.readI32();
    FFilename = ReadStreamString(aStream);
    FDescription = ReadStreamString(aStream);
    FOffsetInMS = aStream.readI32();
    FStartInMS = aStream.readI32();
    setInitialized(true);
}

void TqelStitchFile::writeToStream(qel::BinaryWriter& aStream) const {
    aStream.writeI32(FID);
    WriteStreamString(aStream, FFilename);
    WriteStreamString(aStream, FDescription);
    aStream.writeI32(FOffsetInMS);
    aStream.writeI32(FStartInMS);
}
