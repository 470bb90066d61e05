#include "model/field/field_varuzas.h"

#include "foundation/stream_strings.h"
#include "model/dataset/dataset.h"
#include "model/field/field.h"
#include "model/field/field_line.h"
#include "model/transponder/packed_record.h"
#include "platform/binary_stream.h"
#include "platform/numbers.h"

namespace {

// The least a point takes in the stream: X and Y.
constexpr qint64 kPointBytes = 8;

}  // namespace

// Circle

TqelFieldCircleVaruza::TqelFieldCircleVaruza(TqelField* aOwner)
    : TqelFieldVaruza(aOwner, fotCircle) {}

void TqelFieldCircleVaruza::SetArc(int64_t aStartAngle, int64_t anEndAngle) {
    if (aStartAngle >= 360) {
        aStartAngle -= 360;
        anEndAngle -= 360;
    }
    // Angles are taken unchecked: an arc beyond the 32-bit range wraps as the stored value does.
    FStartAngle = static_cast<int32_t>(aStartAngle);
    FEndAngle = static_cast<int32_t>(anEndAngle);
}

void TqelFieldCircleVaruza::readFromStream(qel::BinaryReader& aStream, uint16_t aVersion) {
    TqelFieldVaruza::readFromStream(aStream, aVersion);
    FCenterPoint = qel::ReadFieldPosition(aStream);
    FRadiusInMM = aStream.readI32();
    FStartAngle = aStream.readI32();
    FEndAngle = aStream.readI32();
    if (aVersion >= 7) {
        FLinePattern = qel::LinePatternFromStream(aStream.readI32());
        FLineWidth = aStream.readI32();
    }
}

void TqelFieldCircleVaruza::writeToStream(qel::BinaryWriter& aStream) const {
    TqelFieldVaruza::writeToStream(aStream);
    qel::WriteFieldPosition(aStream, FCenterPoint);
    aStream.writeI32(FRadiusInMM);
    aStream.writeI32(FStartAngle);
    aStream.writeI32(FEndAngle);
    aStream.writeI32(FLinePattern);
    aStream.writeI32(FLineWidth);
}

void TqelFieldCircleVaruza::Rotate90Deg() {
    FCenterPoint.Rotate90Deg();
    if (!IsFullCircle()) {
        SetArc(static_cast<int64_t>(FStartAngle) + 90, static_cast<int64_t>(FEndAngle) + 90);
    }
}

void TqelFieldCircleVaruza::Rotate(double aDegrees) {
    FCenterPoint.Rotate(aDegrees);
    if (!IsFullCircle()) {
        SetArc(qel::RoundToInt32(aDegrees + FStartAngle), qel::RoundToInt32(aDegrees + FEndAngle));
    }
}

void TqelFieldCircleVaruza::Transpose(int32_t aXOffsetInMM, int32_t aYOffsetInMM) {
    FCenterPoint.Transpose(aXOffsetInMM, aYOffsetInMM);
}

// Points of the multi-line and the plane

namespace qel {

void FieldPointsVaruza::SetPoint(int32_t anIndex, int32_t aXinMM, int32_t aYinMM) {
    getPoint(anIndex) = {aXinMM, aYinMM};
}

RqelFieldPosition& FieldPointsVaruza::getPoint(int32_t anIndex) {
    CheckListIndex(anIndex, PointCount());
    return FPoints[static_cast<size_t>(anIndex)];
}

const RqelFieldPosition& FieldPointsVaruza::getPoint(int32_t anIndex) const {
    CheckListIndex(anIndex, PointCount());
    return FPoints[static_cast<size_t>(anIndex)];
}

void FieldPointsVaruza::Rotate90Deg() {
    for (RqelFieldPosition& point : FPoints) {
        point.Rotate90Deg();
    }
}

void FieldPointsVaruza::Rotate(double aDegrees) {
    for (RqelFieldPosition& point : FPoints) {
        point.Rotate(aDegrees);
    }
}

void FieldPointsVaruza::Transpose(int32_t aXOffsetInMM, int32_t aYOffsetInMM) {
    for (RqelFieldPosition& point : FPoints) {
        point.Transpose(aXOffsetInMM, aYOffsetInMM);
    }
}

void FieldPointsVaruza::ReadPoints(BinaryReader& aStream) {
    const int32_t count = aStream.readI32();
    aStream.checkCount(count, kPointBytes);
    FPoints.clear();
    FPoints.reserve(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
        FPoints.push_back(ReadFieldPosition(aStream));
    }
}

void FieldPointsVaruza::WritePoints(BinaryWriter& aStream) const {
    aStream.writeI32(PointCount());
    for (const RqelFieldPosition& point : FPoints) {
        WriteFieldPosition(aStream, point);
    }
}

void FieldAngledVaruza::Rotate90Deg() {
    FieldPlacedVaruza::Rotate90Deg();
    FAngle = TurnAngle90(FAngle);
}

void FieldAngledVaruza::Rotate(double aDegrees) {
    FieldPlacedVaruza::Rotate(aDegrees);
    FAngle = RotateAngle(FAngle, aDegrees);
}

FieldPostVaruza::FieldPostVaruza(TqelField* aOwner, TqelFieldVaruzaType aType, int32_t aColor)
    : FieldPlacedVaruza(aOwner, aType, {1000, 0}) {
    setColor(aColor);
}

void FieldPostVaruza::setPosition(int32_t aXinMM, int32_t aYinMM) {
    FPosition = {aXinMM, aYinMM};
    MarkFieldModified();
}

}  // namespace qel

// Multi-line

TqelFieldMultiLineVaruza::TqelFieldMultiLineVaruza(TqelField* aOwner)
    : FieldPointsVaruza(aOwner, fotMultiLine) {}

void TqelFieldMultiLineVaruza::readFromStream(qel::BinaryReader& aStream, uint16_t aVersion) {
    TqelFieldVaruza::readFromStream(aStream, aVersion);
    ReadPoints(aStream);
    if (aVersion >= 7) {
        FLinePattern = qel::LinePatternFromStream(aStream.readI32());
        FLineWidth = aStream.readI32();
    }
}

void TqelFieldMultiLineVaruza::writeToStream(qel::BinaryWriter& aStream) const {
    TqelFieldVaruza::writeToStream(aStream);
    WritePoints(aStream);
    aStream.writeI32(FLinePattern);
    aStream.writeI32(FLineWidth);
}

// Plane

TqelFieldPlaneVaruza::TqelFieldPlaneVaruza(TqelField* aOwner)
    : FieldPointsVaruza(aOwner, fotPlane) {}

void TqelFieldPlaneVaruza::readFromStream(qel::BinaryReader& aStream, uint16_t aVersion) {
    TqelFieldVaruza::readFromStream(aStream, aVersion);
    FMaterial = static_cast<TqelMaterialType>(aStream.readU8());
    ReadPoints(aStream);
}

void TqelFieldPlaneVaruza::writeToStream(qel::BinaryWriter& aStream) const {
    TqelFieldVaruza::writeToStream(aStream);
    aStream.writeU8(FMaterial);
    WritePoints(aStream);
}

// Text

TqelFieldTextVaruza::TqelFieldTextVaruza(TqelField* aOwner)
    : FieldAngledVaruza(aOwner, fotText, {}) {}

void TqelFieldTextVaruza::readFromStream(qel::BinaryReader& aStream, uint16_t aVersion) {
    TqelFieldVaruza::readFromStream(aStream, aVersion);
    FPosition = qel::ReadFieldPosition(aStream);
    ReadStreamString(aStream, FText);
    FAngle = aStream.readI32();
    FScale = aVersion >= 16 ? aStream.readI32() : 100;
}

void TqelFieldTextVaruza::writeToStream(qel::BinaryWriter& aStream) const {
    TqelFieldVaruza::writeToStream(aStream);
    qel::WriteFieldPosition(aStream, FPosition);
    WriteStreamString(aStream, FText);
    aStream.writeI32(FAngle);
    aStream.writeI32(FScale);
}

// Free form

TqelFieldFreeFormVaruza::TqelFieldFreeFormVaruza(TqelField* aOwner)
    : TqelFieldVaruza(aOwner, fotFreeForm) {}

// Soccer goal

TqelFieldSoccerGoalVaruza::TqelFieldSoccerGoalVaruza(TqelField* aOwner)
    : FieldAngledVaruza(aOwner, fotSoccerGoal, {1000, 0}) {}

void TqelFieldSoccerGoalVaruza::setPosition(int32_t aXinMM, int32_t aYinMM, int32_t anAngle) {
    FPosition = {aXinMM, aYinMM};
    FAngle = anAngle;
    MarkFieldModified();
}

void TqelFieldSoccerGoalVaruza::SetDimensions(int32_t aWidthInMM, int32_t aHeightInMM) {
    FWidth = aWidthInMM;
    FHeight = aHeightInMM;
    MarkFieldModified();
}

void TqelFieldSoccerGoalVaruza::setCanMove(bool aValue) {
    FCanMove = aValue;
    if (Field() && Field()->Dataset()) {
        Field()->Dataset()->NotifyFieldChanged();
    }
}

RqelCalculatedPosition TqelFieldSoccerGoalVaruza::WorldPos() const {
    RqelCalculatedPosition result;
    result.Clear();
    result.XinM = FPosition.XinMM / 1000.0;
    result.YinM = FPosition.YinMM / 1000.0;
    return result;
}

void TqelFieldSoccerGoalVaruza::readFromStream(qel::BinaryReader& aStream, uint16_t aVersion) {
    TqelFieldVaruza::readFromStream(aStream, aVersion);
    FPosition = qel::ReadFieldPosition(aStream);
    FAngle = aStream.readI32();
    if (aVersion >= 6) {
        FHeight = aStream.readI32();
        FWidth = aStream.readI32();
        FCanMove = aStream.readBool();
    }
}

void TqelFieldSoccerGoalVaruza::writeToStream(qel::BinaryWriter& aStream) const {
    TqelFieldVaruza::writeToStream(aStream);
    qel::WriteFieldPosition(aStream, FPosition);
    aStream.writeI32(FAngle);
    aStream.writeI32(FHeight);
    aStream.writeI32(FWidth);
    aStream.writeBool(FCanMove);
}

// Pylon and pole

TqelFieldPylonVaruza::TqelFieldPylonVaruza(TqelField* aOwner)
    : FieldPostVaruza(aOwner, fotPylon, 0x0000FF) {}

void TqelFieldPylonVaruza::readFromStream(qel::BinaryReader& aStream, uint16_t aVersion) {
    TqelFieldVaruza::readFromStream(aStream, aVersion);
    FPosition = qel::ReadFieldPosition(aStream);
    if (aVersion > 5) {
        FHeight = aStream.readI32();
        FWidth = aStream.readI32();
    }
}

void TqelFieldPylonVaruza::writeToStream(qel::BinaryWriter& aStream) const {
    TqelFieldVaruza::writeToStream(aStream);
    qel::WriteFieldPosition(aStream, FPosition);
    aStream.writeI32(FHeight);
    aStream.writeI32(FWidth);
}

TqelFieldPoleVaruza::TqelFieldPoleVaruza(TqelField* aOwner)
    : FieldPostVaruza(aOwner, fotPole, 0x008000) {}

void TqelFieldPoleVaruza::readFromStream(qel::BinaryReader& aStream, uint16_t aVersion) {
    TqelFieldVaruza::readFromStream(aStream, aVersion);
    FPosition = qel::ReadFieldPosition(aStream);
    FHeight = aStream.readI32();
    FWidth = aStream.readI32();
}

void TqelFieldPoleVaruza::writeToStream(qel::BinaryWriter& aStream) const {
    TqelFieldVaruza::writeToStream(aStream);
    qel::WriteFieldPosition(aStream, FPosition);
    aStream.writeI32(FHeight);
    aStream.writeI32(FWidth);
}

// Basket

TqelFieldBasketVaruza::TqelFieldBasketVaruza(TqelField* aOwner)
    : FieldAngledVaruza(aOwner, fotBasket, {}) {}

void TqelFieldBasketVaruza::setPosition(int32_t aXinMM, int32_t aYinMM, int32_t anAngle) {
    FPosition = {aXinMM, aYinMM};
    FAngle = anAngle;
}

void TqelFieldBasketVaruza::readFromStream(qel::BinaryReader& aStream, uint16_t aVersion) {
    TqelFieldVaruza::readFromStream(aStream, aVersion);
    FPosition = qel::ReadFieldPosition(aStream);
    FAngle = aStream.readI32();
}

void TqelFieldBasketVaruza::writeToStream(qel::BinaryWriter& aStream) const {
    TqelFieldVaruza::writeToStream(aStream);
    qel::WriteFieldPosition(aStream, FPosition);
    aStream.writeI32(FAngle);
}

// Net

TqelFieldNetVaruza::TqelFieldNetVaruza(TqelField* aOwner) : FieldAngledVaruza(aOwner, fotNet, {}) {}

void TqelFieldNetVaruza::setPosition(int32_t aXinMM, int32_t aYinMM, int32_t anAngle) {
    FPosition = {aXinMM, aYinMM};
    FAngle = anAngle;
}

void TqelFieldNetVaruza::SetDimensions(int32_t aWidthInMM, int32_t aHeightInMM, int32_t aNetHeight,
                                       int32_t aMeshWidth) {
    FWidth = aWidthInMM;
    FHeight = aHeightInMM;
    FNetHeight = aNetHeight;
    FMeshWidth = aMeshWidth;
}

void TqelFieldNetVaruza::readFromStream(qel::BinaryReader& aStream, uint16_t aVersion) {
    TqelFieldVaruza::readFromStream(aStream, aVersion);
    FPosition = qel::ReadFieldPosition(aStream);
    FAngle = aStream.readI32();
    FWidth = aStream.readI32();
    FHeight = aStream.readI32();
    FNetHeight = aStream.readI32();
    FMeshWidth = aStream.readI32();
    if (FMeshWidth == 0) {
        FMeshWidth = 100;
    }
    FCanMove = false;
}

void TqelFieldNetVaruza::writeToStream(qel::BinaryWriter& aStream) const {
    TqelFieldVaruza::writeToStream(aStream);
    qel::WriteFieldPosition(aStream, FPosition);
    aStream.writeI32(FAngle);
    aStream.writeI32(FWidth);
    aStream.writeI32(FHeight);
    aStream.writeI32(FNetHeight);
    aStream.writeI32(FMeshWidth);
}

// Rectangle

TqelFieldRectangleVaruza::TqelFieldRectangleVaruza(TqelField* aOwner)
    : TqelFieldVaruza(aOwner, fotRectangle) {}

bool TqelFieldRectangleVaruza::IsInBox(double aXinMM, double aYinMM) const {
    return FRectangle.PositionInBox(aXinMM, aYinMM);
}

void TqelFieldRectangleVaruza::readFromStream(qel::BinaryReader& aStream, uint16_t aVersion) {
    TqelFieldVaruza::readFromStream(aStream, aVersion);
    FRectangle = qel::ReadFieldBox(aStream);
}

void TqelFieldRectangleVaruza::writeToStream(qel::BinaryWriter& aStream) const {
    TqelFieldVaruza::writeToStream(aStream);
    qel::WriteFieldBox(aStream, FRectangle);
}

// Camera

TqelFieldCameraVaruza::TqelFieldCameraVaruza(TqelField* aOwner)
    : FieldPlacedVaruza(aOwner, fotCamera, {1000, 0}) {
    setColor(0x0000FF);
}

void TqelFieldCameraVaruza::setPosition(int32_t aXinMM, int32_t aYinMM) {
    if (FViewerPos == FPosition) {
        FViewerPos = {aXinMM, aYinMM};
    }
    FPosition = {aXinMM, aYinMM};
    MarkFieldModified();
}

void TqelFieldCameraVaruza::setViewerPos(int32_t aXinMM, int32_t aYinMM) {
    FViewerPos = {aXinMM, aYinMM};
    MarkFieldModified();
}

void TqelFieldCameraVaruza::setHeight(int32_t aValue) {
    FHeight = aValue;
    MarkFieldModified();
}

void TqelFieldCameraVaruza::setText(const QString& aValue) {
    FText = aValue;
    MarkFieldModified();
}

RqelCalculatedPosition TqelFieldCameraVaruza::ViewPos() const {
    RqelCalculatedPosition result;
    result.Clear();
    result.XinM = FViewerPos.XinMM / 1000.0;
    result.YinM = FViewerPos.YinMM / 1000.0;
    result.ZinM = FHeight / 1000.0;
    return result;
}

void TqelFieldCameraVaruza::readFromStream(qel::BinaryReader& aStream, uint16_t aVersion) {
    TqelFieldVaruza::readFromStream(aStream, aVersion);
    FPosition = qel::ReadFieldPosition(aStream);
    FViewerPos = qel::ReadFieldPosition(aStream);
    FHeight = aStream.readI32();
    ReadStreamString(aStream, FText);
    FTextAngle = aStream.readI32();
    FScale = aStream.readI32();
    FPanOffset = aStream.readI32();
    if (aVersion > 20) {
        ReadStreamString(aStream, FArea);
    }
    if (aVersion > 21) {
        FCameraIndex = aStream.readI32();
    }
}

void TqelFieldCameraVaruza::writeToStream(qel::BinaryWriter& aStream) const {
    TqelFieldVaruza::writeToStream(aStream);
    qel::WriteFieldPosition(aStream, FPosition);
    qel::WriteFieldPosition(aStream, FViewerPos);
    aStream.writeI32(FHeight);
    WriteStreamString(aStream, FText);
    aStream.writeI32(FTextAngle);
    aStream.writeI32(FScale);
    aStream.writeI32(FPanOffset);
    WriteStreamString(aStream, FArea);
    aStream.writeI32(FCameraIndex);
}

void TqelFieldCameraVaruza::Rotate90Deg() {
    FieldPlacedVaruza::Rotate90Deg();
    FTextAngle = qel::TurnAngle90(FTextAngle);
}

void TqelFieldCameraVaruza::Rotate(double aDegrees) {
    FieldPlacedVaruza::Rotate(aDegrees);
    FTextAngle = qel::RotateAngle(FTextAngle, aDegrees);
}

namespace qel {

std::unique_ptr<TqelFieldVaruza> NewFieldVaruza(uint8_t aType, TqelField* aOwner) {
    switch (aType) {
        case fotLine:
            return std::make_unique<TqelFieldLineVaruza>(aOwner);
        case fotCircle:
            return std::make_unique<TqelFieldCircleVaruza>(aOwner);
        case fotMultiLine:
            return std::make_unique<TqelFieldMultiLineVaruza>(aOwner);
        case fotPlane:
            return std::make_unique<TqelFieldPlaneVaruza>(aOwner);
        case fotText:
            return std::make_unique<TqelFieldTextVaruza>(aOwner);
        case fotFreeForm:
            return std::make_unique<TqelFieldFreeFormVaruza>(aOwner);
        case fotSoccerGoal:
            return std::make_unique<TqelFieldSoccerGoalVaruza>(aOwner);
        case fotPylon:
            return std::make_unique<TqelFieldPylonVaruza>(aOwner);
        case fotBasket:
            return std::make_unique<TqelFieldBasketVaruza>(aOwner);
        case fotNet:
            return std::make_unique<TqelFieldNetVaruza>(aOwner);
        case fotPole:
            return std::make_unique<TqelFieldPoleVaruza>(aOwner);
        case fotRectangle:
            return std::make_unique<TqelFieldRectangleVaruza>(aOwner);
        case fotCamera:
            return std::make_unique<TqelFieldCameraVaruza>(aOwner);
        default:
            return nullptr;
    }
}

}  // namespace qel
