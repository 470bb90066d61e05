#include "model/field/field_varuza.h"

#include "foundation/stream_strings.h"
#include "model/field/field.h"
#include "platform/binary_stream.h"
#include "platform/exception.h"
#include "platform/numbers.h"

void TqelFieldVaruza::readFromStream(qel::BinaryReader& aStream, uint16_t aVersion) {
    ReadStreamString(aStream, FName);
    FColor = aStream.readI32();
    FVisible = aStream.readBool();
}

void TqelFieldVaruza::writeToStream(qel::BinaryWriter& aStream) const {
    WriteStreamString(aStream, FName);
    aStream.writeI32(FColor);
    aStream.writeBool(FVisible);
}

void TqelFieldVaruza::MarkFieldModified() const {
    if (FField) {
        FField->setModified(true);
    }
}

namespace qel {

RqelFieldPosition ReadFieldPosition(BinaryReader& aStream) {
    RqelFieldPosition result;
    result.XinMM = aStream.readI32();
    result.YinMM = aStream.readI32();
    return result;
}

void WriteFieldPosition(BinaryWriter& aStream, const RqelFieldPosition& aPosition) {
    aStream.writeI32(aPosition.XinMM);
    aStream.writeI32(aPosition.YinMM);
}

RqelFieldBox ReadFieldBox(BinaryReader& aStream) {
    RqelFieldBox result;
    result.LeftTop = ReadFieldPosition(aStream);
    result.RightBottom = ReadFieldPosition(aStream);
    return result;
}

void WriteFieldBox(BinaryWriter& aStream, const RqelFieldBox& aBox) {
    WriteFieldPosition(aStream, aBox.LeftTop);
    WriteFieldPosition(aStream, aBox.RightBottom);
}

TqelLinePattern LinePatternFromStream(int32_t aValue) {
    return aValue >= lnpSolid && aValue <= lnpDotDash ? static_cast<TqelLinePattern>(aValue)
                                                      : lnpSolid;
}

int32_t TurnAngle90(int32_t anAngle) {
    return static_cast<int32_t>((static_cast<int64_t>(anAngle) + 90) % 360);
}

int32_t RotateAngle(int32_t anAngle, double aDegrees) {
    return static_cast<int32_t>(Round(aDegrees + anAngle) % 360);
}

void CheckListIndex(int64_t anIndex, int64_t aCount) {
    if (anIndex < 0 || anIndex >= aCount) {
        throw EArgumentOutOfRangeException(
            QStringLiteral("List index out of bounds (%1)").arg(anIndex));
    }
}

}  // namespace qel
