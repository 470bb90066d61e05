#include "model/field/field.h"

#include <QFile>
#include <QSaveFile>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "foundation/geometry.h"
#include "foundation/stream_strings.h"
#include "model/dataset/dataset.h"
#include "model/field/field_varuzas.h"
#include "model/transponder/packed_record.h"
#include "platform/ansi_codec.h"
#include "platform/binary_stream.h"
#include "platform/buffered_output.h"
#include "platform/numbers.h"

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kEarthRadiusInM = 6371000.0;
// Degrees of latitude per metre.
constexpr double kDegreesPerMetre = 180.0 / (kPi * kEarthRadiusInM);

constexpr qsizetype kSaveBufferSize = 32768;

// Items of the stream as they take their bytes.
constexpr qint64 kDescriptionBytes = 33;
constexpr qint64 kLaneBytes = 8 + kDescriptionBytes;
constexpr qint64 kSectorBytes = 12 + kDescriptionBytes;
constexpr qint64 kFieldSectorBytes = 20 + kDescriptionBytes;
// Type byte, empty name (its length word), colour and visible flag.
constexpr qint64 kLeastVaruzaBytes = 1 + 4 + 4 + 1;
constexpr int kDescriptionLength = 32;

// Zone borders: the penalty areas' depth along X, the row borders across Y (metres).
constexpr double kZonePenaltyDepthInM = 16.5;
constexpr double kZoneRowBorderInM = 11;

// Degrees of longitude per metre on the parallel of aLatitude (degrees).
double LongitudeDegreesPerMetre(double aLatitude) {
    return 180.0 / (std::cos(aLatitude * kPi / 180.0) * kPi * kEarthRadiusInM);
}

// The mean of two coordinates, truncated, without overflow.
int32_t Middle(int32_t aFirst, int32_t aSecond) {
    return static_cast<int32_t>((static_cast<int64_t>(aFirst) + aSecond) / 2);
}

// Goal sizes (mm) by the dataset's sport; other sports keep the goal's defaults.
struct GoalSize {
    TqelSports Sport;
    int32_t WidthInMM;
    int32_t HeightInMM;
};
constexpr GoalSize kGoalSizes[] = {
    {sportSoccer, 7315, 2438},
    {sportHandball, 3000, 2000},
    {sportHockey, 3660, 2140},
    {sportIceHockey, 1830, 1230},
};

// A length byte and 32 Windows-1252 bytes; a length above 32 reads 32.
QString ReadDescription(qel::BinaryReader& aStream) {
    char bytes[kDescriptionBytes];
    aStream.readExact(bytes, kDescriptionBytes);
    const int length = std::min<int>(static_cast<uint8_t>(bytes[0]), kDescriptionLength);
    return qel::FromWindows1252(bytes + 1, length);
}

// Cut to 32 characters; the unused bytes are 0.
void WriteDescription(qel::BinaryWriter& aStream, const QString& aText) {
    const QByteArray text = qel::ToWindows1252(aText).left(kDescriptionLength);
    char bytes[kDescriptionBytes] = {};
    bytes[0] = static_cast<char>(text.size());
    std::memcpy(bytes + 1, text.constData(), static_cast<size_t>(text.size()));
    aStream.writeBytes(bytes, kDescriptionBytes);
}

// The count of a list item, checked against the bytes left before anything is allocated.
int32_t ReadCount(qel::BinaryReader& aStream, qint64 anItemBytes) {
    const int32_t count = aStream.readI32();
    aStream.checkCount(count, anItemBytes);
    return count;
}

bool SameName(const QString& aLeft, const QString& aRight) {
    return aLeft.toUpper() == aRight.toUpper();
}

// Within 1 mm, compared as 32-bit floats.
bool SameCoordinate(int32_t aLeft, int32_t aRight) {
    return std::fabs(static_cast<float>(aLeft) - static_cast<float>(aRight)) <= 1.0f;
}

// Replaces the low half of a double's bits (the first four bytes in the stream's order).
double WithLowHalf(double aValue, uint32_t aLowHalf) {
    uint64_t bits;
    std::memcpy(&bits, &aValue, sizeof(bits));
    bits = (bits & 0xFFFFFFFF00000000ull) | aLowHalf;
    std::memcpy(&aValue, &bits, sizeof(bits));
    return aValue;
}

void ReadGPSPoint(qel::BinaryReader& aStream, RqelGPSPosition& aPoint) {
    aPoint.setLatitude(aStream.readDouble());
    aPoint.setLongitude(aStream.readDouble());
}

void WriteGPSPoint(qel::BinaryWriter& aStream, const RqelGPSPosition& aPoint) {
    aStream.writeDouble(aPoint.Latitude());
    aStream.writeDouble(aPoint.Longitude());
}

}  // namespace

TqelField::TqelField(TqelDataset* aDataSet) : FDataSet(aDataSet) {}

TqelField::TqelField(const QString& aFilename) : TqelField(static_cast<TqelDataset*>(nullptr)) {
    LoadFromFile(aFilename);
}

TqelField::~TqelField() = default;

// Objects

TqelFieldVaruza* TqelField::addFieldVaruza(std::unique_ptr<TqelFieldVaruza> anVaruza) {
    qel::Assert(anVaruza && (anVaruza->FField == nullptr || anVaruza->FField == this),
                QStringLiteral("A field object belongs to one field"));
    anVaruza->FField = this;
    FVaruzas.push_back(std::move(anVaruza));
    return FVaruzas.back().get();
}

void TqelField::DeleteVaruza(TqelFieldVaruza* aVaruza) {
    const auto found =
        std::find_if(FVaruzas.begin(), FVaruzas.end(),
                     [aVaruza](const auto& aOwned) { return aOwned.get() == aVaruza; });
    if (found == FVaruzas.end()) {
        return;
    }
    ForgetVaruza(aVaruza);
    // Out of the list before it dies, so nothing finds it half freed.
    const std::unique_ptr<TqelFieldVaruza> dying = std::move(*found);
    FVaruzas.erase(found);
}

void TqelField::clearVaruzas() {
    FTrackFinishLine1 = nullptr;
    FTrackFinishLine2 = nullptr;
    FVaruzas.clear();
}

void TqelField::ForgetVaruza(const TqelFieldVaruza* aVaruza) {
    if (FTrackFinishLine1 == aVaruza) {
        FTrackFinishLine1 = nullptr;
    }
    if (FTrackFinishLine2 == aVaruza) {
        FTrackFinishLine2 = nullptr;
    }
}

TqelFieldVaruza* TqelField::getFieldVaruza(int32_t anIndex) const {
    if (anIndex < 0) {
        return nullptr;
    }
    qel::CheckListIndex(anIndex, FieldVaruzaCount());
    return FVaruzas[static_cast<size_t>(anIndex)].get();
}

TqelFieldVaruza* TqelField::FieldVaruzaByName(const QString& aVaruzaName) const {
    const int32_t index = FieldVaruzaIndexOf(aVaruzaName);
    return index < 0 ? nullptr : FVaruzas[static_cast<size_t>(index)].get();
}

int32_t TqelField::FieldVaruzaIndexOf(const QString& aVaruzaName) const {
    const QString name = aVaruzaName.toUpper();
    for (size_t i = 0; i < FVaruzas.size(); ++i) {
        if (FVaruzas[i]->Name().toUpper() == name) {
            return static_cast<int32_t>(i);
        }
    }
    return -1;
}

TqelFieldVaruza* TqelField::FieldVaruzaNameStartWith(const QString& aVaruzaName,
                                                     bool aAutoCreated) const {
    const QString prefix = aVaruzaName.toUpper();
    for (const auto& varuza : FVaruzas) {
        if ((!aAutoCreated || varuza->AutoCreated()) &&
            varuza->Name().toUpper().startsWith(prefix)) {
            return varuza.get();
        }
    }
    return nullptr;
}

TqelFieldCameraVaruza* TqelField::FieldCameraVaruzaByCamIndex(int32_t aCamIndex) const {
    for (const auto& varuza : FVaruzas) {
        if (varuza->VaruzaType() == fotCamera) {
            auto* camera = static_cast<TqelFieldCameraVaruza*>(varuza.get());
            if (camera->CameraIndex() == aCamIndex) {
                return camera;
            }
        }
    }
    return nullptr;
}

TqelFieldSoccerGoalVaruza* TqelField::GetSoccerGoal(TqelGoalAlign Aligned) const {
    TqelFieldSoccerGoalVaruza* result = nullptr;
    for (const auto& varuza : FVaruzas) {
        if (varuza->VaruzaType() != fotSoccerGoal) {
            continue;
        }
        auto* goal = static_cast<TqelFieldSoccerGoalVaruza*>(varuza.get());
        const int32_t x = goal->Position().XinMM;
        if (!result ||
            (Aligned == igLeft ? x < result->Position().XinMM : x > result->Position().XinMM)) {
            result = goal;
        }
    }
    return result;
}

QString TqelField::NewVaruzaName(const QString& aBase) const {
    // n objects can take at most n of the numbers 1..n+1.
    for (int64_t number = 1;; ++number) {
        const QString name = aBase + QString::number(number);
        if (FieldVaruzaIndexOf(name) < 0) {
            return name;
        }
    }
}

// Creation

void TqelField::NotifyDataset() const {
    if (FDataSet) {
        FDataSet->NotifyFieldChanged();
    }
}

QString TqelField::FreeVaruzaName(const QString& aName, const QString& aBase) const {
    if (aName.isEmpty() || FieldVaruzaIndexOf(aName) >= 0) {
        return NewVaruzaName(aBase);
    }
    return aName;
}

RqelFieldPosition TqelField::FieldBoxCenter() const {
    return {Middle(FFieldBox.LeftTop.XinMM, FFieldBox.RightBottom.XinMM),
            Middle(FFieldBox.LeftTop.YinMM, FFieldBox.RightBottom.YinMM)};
}

TqelFieldLineVaruza* TqelField::AddLine(const RqelCalculatedPosition& aFromPos,
                                        const RqelCalculatedPosition& aToPos,
                                        const QString& aName) {
    const RqelFieldPosition from{qel::RoundToInt32(aFromPos.XinM * 1000),
                                 qel::RoundToInt32(aFromPos.YinM * 1000)};
    const RqelFieldPosition to{qel::RoundToInt32(aToPos.XinM * 1000),
                               qel::RoundToInt32(aToPos.YinM * 1000)};
    const QString name = FreeVaruzaName(aName, QStringLiteral("line"));
    auto* line = NewVaruza<TqelFieldLineVaruza>();
    line->setName(name);
    line->setStartPoint(from);
    line->setEndPoint(to);
    line->setVisible(true);
    NotifyDataset();
    return line;
}

TqelFieldLineVaruza* TqelField::AddLine(int32_t aFromXinMM, int32_t aFromYinMM, int32_t aToXinMM,
                                        int32_t aToYinMM, const QString& aName) {
    const QString name = FreeVaruzaName(aName, QStringLiteral("line"));
    auto* line = NewVaruza<TqelFieldLineVaruza>();
    line->setName(name);
    line->setStartPoint(aFromXinMM, aFromYinMM);
    line->setEndPoint(aToXinMM, aToYinMM);
    line->setVisible(true);
    line->CalculateCoefficients();
    const uint8_t direction = line->CalcDefaultCrossingDirection();
    line->setDefaultCrossingDirection(direction);
    if (direction == qel::CrossPositiveX || direction == qel::CrossNegativeX) {
        const int32_t x = Middle(aFromXinMM, aToXinMM);
        line->setStartPoint(x, aFromYinMM);
        line->setEndPoint(x, aToYinMM);
        line->CalculateCoefficients();
    } else if (direction == qel::CrossPositiveY || direction == qel::CrossNegativeY) {
        const int32_t y = Middle(aFromYinMM, aToYinMM);
        line->setStartPoint(aFromXinMM, y);
        line->setEndPoint(aToXinMM, y);
        line->CalculateCoefficients();
    }
    NotifyDataset();
    return line;
}

TqelFieldMultiLineVaruza* TqelField::AddMultiLine(const QString& /*aName*/) {
    auto* multiLine = NewVaruza<TqelFieldMultiLineVaruza>();
    multiLine->setName(NewVaruzaName(QStringLiteral("multiline")));
    multiLine->setVisible(true);
    return multiLine;
}

TqelFieldPoleVaruza* TqelField::AddPole(int32_t aXinMM, int32_t aYinMM, int32_t aColor) {
    const QString name = NewVaruzaName(QStringLiteral("pole"));
    auto* pole = NewVaruza<TqelFieldPoleVaruza>();
    pole->setName(name);
    pole->setPosition(aXinMM, aYinMM);
    pole->setCanMove(true);
    pole->setColor(aColor);
    pole->setVisible(true);
    NotifyDataset();
    return pole;
}

TqelFieldPylonVaruza* TqelField::AddPylon(int32_t aXinMM, int32_t aYinMM) {
    const QString name = NewVaruzaName(QStringLiteral("pylon"));
    auto* pylon = NewVaruza<TqelFieldPylonVaruza>();
    pylon->setName(name);
    const RqelFieldPosition position =
        aXinMM == 0 && aYinMM == 0 ? FieldBoxCenter() : RqelFieldPosition{aXinMM, aYinMM};
    pylon->setPosition(position.XinMM, position.YinMM);
    pylon->setCanMove(true);
    pylon->setVisible(true);
    NotifyDataset();
    return pylon;
}

TqelFieldSoccerGoalVaruza* TqelField::AddSoccerGoal() {
    const QString name = NewVaruzaName(QStringLiteral("Goal"));
    auto* goal = NewVaruza<TqelFieldSoccerGoalVaruza>();
    goal->setName(name);
    goal->setColor(0xFFFFFF);
    const RqelFieldPosition center = FieldBoxCenter();
    goal->setPosition(center.XinMM, center.YinMM, 0);
    goal->setCanMove(true);
    if (FDataSet) {
        const TqelSports sport = FDataSet->SportType();
        for (const GoalSize& size : kGoalSizes) {
            if (size.Sport == sport) {
                goal->SetDimensions(size.WidthInMM, size.HeightInMM);
            }
        }
    }
    goal->setVisible(true);
    NotifyDataset();
    return goal;
}

TqelFieldRectangleVaruza* TqelField::AddRectangle(const RqelFieldPosition& aLeftTop,
                                                  const RqelFieldPosition& aRightBottom) {
    const QString name = NewVaruzaName(QStringLiteral("rect"));
    auto* rectangle = NewVaruza<TqelFieldRectangleVaruza>();
    rectangle->setName(name);
    rectangle->setColor(0xFFFFFF);
    rectangle->setLeftTopPoint(aLeftTop.XinMM, aLeftTop.YinMM);
    rectangle->setRightBottomPoint(aRightBottom.XinMM, aRightBottom.YinMM);
    rectangle->setVisible(true);
    NotifyDataset();
    return rectangle;
}

TqelFieldTextVaruza* TqelField::AddText(const QString& aText, int32_t aXinMM, int32_t aYinMM,
                                        int32_t aColor) {
    const QString name = NewVaruzaName(QStringLiteral("text"));
    auto* text = NewVaruza<TqelFieldTextVaruza>();
    text->setName(name);
    text->setText(aText);
    text->setPosition(aXinMM, aYinMM);
    text->setColor(aColor);
    text->setVisible(true);
    NotifyDataset();
    return text;
}

TqelFieldCameraVaruza* TqelField::AddCamera(int32_t aXinMM, int32_t aYinMM, int32_t aZinMM,
                                            int32_t aPanOffset, int32_t aColor,
                                            const QString& aName) {
    if (aName.isEmpty()) {
        return nullptr;
    }
    TqelFieldVaruza* found = FieldVaruzaByName(aName);
    if (found && found->VaruzaType() != fotCamera) {
        // Through DeleteVaruza, so a finish line of that name is cleared with it.
        DeleteVaruza(found);
        found = nullptr;
    }
    auto* camera = static_cast<TqelFieldCameraVaruza*>(found);
    if (!camera) {
        camera = NewVaruza<TqelFieldCameraVaruza>();
        camera->setName(aName);
    }
    camera->setPosition(aXinMM, aYinMM);
    camera->setHeight(aZinMM);
    camera->setPanOffset(aPanOffset);
    camera->setText(aName);
    camera->setColor(aColor);
    camera->setVisible(true);
    NotifyDataset();
    return camera;
}

// Geometry

bool TqelField::isOnField(const RqelCalculatedPosition& aPos) const {
    return aPos.XinM != 0 && aPos.YinM != 0 &&
           FMeasureBox.PositionInBox(aPos.XinM * 1000, aPos.YinM * 1000);
}

bool TqelField::isOnField(int32_t aXinMM, int32_t aYinMM) const {
    return aXinMM != 0 && aYinMM != 0 && FMeasureBox.PositionInBox(aXinMM, aYinMM);
}

bool TqelField::isOnField(const RqelFieldPosition& aPos) const {
    return FMeasureBox.PositionInBox(aPos.XinMM, aPos.YinMM);
}

bool TqelField::InFieldBox(const RqelCalculatedPosition& aPos) const {
    return FFieldBox.PositionInBox(aPos.XinM * 1000, aPos.YinM * 1000);
}

int32_t TqelField::PositionToZone(double aPosXinM, double aPosYinM,
                                  TqelPlayDirection aPlayDirection) const {
    // Whole metres; kept as doubles so that mirroring cannot overflow.
    double x = static_cast<double>(Round(aPosXinM));
    double y = static_cast<double>(Round(aPosYinM));
    if (aPlayDirection == pldRightToLeft) {
        x = -x;
        y = -y;
    }
    const double left = FFieldBox.LeftTop.XinMM / 1000.0 + kZonePenaltyDepthInM;
    const double right = FFieldBox.RightBottom.XinMM / 1000.0 - kZonePenaltyDepthInM;
    int32_t column = 5;
    if (x < left) {
        column = 0;
    } else if (x < left / 2) {
        column = 1;
    } else if (x < 0) {
        column = 2;
    } else if (x < right / 2) {
        column = 3;
    } else if (x < right) {
        column = 4;
    }
    int32_t row = 2;
    if (y > kZoneRowBorderInM) {
        row = 0;
    } else if (y > -kZoneRowBorderInM) {
        row = 1;
    }
    return 3 * column + row + 1;
}

void TqelField::Transpose(int32_t anXOffset, int32_t anYOffset) {
    CheckNotRecording(QStringLiteral("moved"));
    for (const auto& varuza : FVaruzas) {
        varuza->Transpose(anXOffset, anYOffset);
    }
    FMeasureBox.Transpose(anXOffset, anYOffset);
    FFieldBox.Transpose(anXOffset, anYOffset);
    for (RqelFieldSectorDef& sector : FFieldSectors) {
        sector.Box.Transpose(anXOffset, anYOffset);
    }
    if (FHasTrack) {
        FTrackDefinition.TrackCorner1.Transpose(anXOffset, anYOffset);
        FTrackDefinition.TrackCorner2.Transpose(anXOffset, anYOffset);
        FTrackFinishLeft.Transpose(anXOffset, anYOffset);
        FTrackFinishRight.Transpose(anXOffset, anYOffset);
    }
    NotifyDataset();
}

// GPS

RqelGPSPosition TqelField::calcGPSPosition(const RqelCalculatedPosition& aPos) const {
    RqelGPSPosition result;
    result.setXinMM(qel::RoundToInt32(aPos.XinM * 1000));
    result.setYinMM(qel::RoundToInt32(aPos.YinM * 1000));
    result.setValid(isOnField(aPos));
    result.RotateRAD(FGPSRotation);
    result.setLongitude(FGPSLongDegM * result.XinMM() / 1000 + FGPSZeroPoint.Longitude());
    result.setLatitude(FGPSLatDegM * result.YinMM() / 1000 + FGPSZeroPoint.Latitude());
    return result;
}

RqelPositionRec TqelField::GPStoMetric(qel::Latitude aLatitude, qel::Longitude aLongitude) const {
    // A new field has no degree factors yet: dividing by them would put an infinite value into
    // the record.
    if (FGPSLatDegM == 0 || FGPSLongDegM == 0) {
        throw EInvalidOp(QStringLiteral("GPStoMetric: the GPS reference of the field is not set"));
    }
    double x = (aLongitude.Degrees - FGPSZeroPoint.Longitude()) * 1000 / FGPSLongDegM;
    double y = (aLatitude.Degrees - FGPSZeroPoint.Latitude()) * 1000 / FGPSLatDegM;
    RotatePointF(x, y, -FGPSRotation);
    RqelPositionRec result = RqelPositionRec::Create();
    result.Clear();
    result.XinMM = qel::RoundToInt32(x);
    result.YinMM = qel::RoundToInt32(y);
    return result;
}

void TqelField::SetGPSFieldLocation(const RqelGPSPosition& aOriginGPS) {
    FGPSLatDegM = kDegreesPerMetre;
    FGPSLongDegM = LongitudeDegreesPerMetre(aOriginGPS.Latitude());
    FGPSZeroPoint.setLatitude(aOriginGPS.Latitude());
    FGPSZeroPoint.setLongitude(aOriginGPS.Longitude());
    FGPSRotation = aOriginGPS.Direction();
    const auto corner = [](int32_t aXinMM, int32_t aYinMM) {
        RqelCalculatedPosition position;
        position.XinM = aXinMM / 1000.0;
        position.YinM = aYinMM / 1000.0;
        return position;
    };
    FGPSPoint1 = calcGPSPosition(corner(FFieldBox.LeftTop.XinMM, FFieldBox.RightBottom.YinMM));
    FGPSPoint2 = calcGPSPosition(corner(FFieldBox.RightBottom.XinMM, FFieldBox.RightBottom.YinMM));
}

// Lanes and sectors

RqelLaneDef TqelField::getLane(int32_t anIndex) const {
    qel::CheckListIndex(anIndex, LaneCount());
    return FLanes[static_cast<size_t>(anIndex)];
}

RqelSectorDef TqelField::getSector(int32_t anIndex) const {
    qel::CheckListIndex(anIndex, SectorCount());
    return FSectors[static_cast<size_t>(anIndex)];
}

RqelFieldSectorDef TqelField::getFieldSector(int32_t anIndex) const {
    qel::CheckListIndex(anIndex, FieldSectorCount());
    return FFieldSectors[static_cast<size_t>(anIndex)];
}

// Properties

void TqelField::setModified(bool aValue) {
    FModified = aValue;
    DerivePenaltyAreas();
    if (FDataSet) {
        FDataSet->NotifyFieldChanged();
    }
}

void TqelField::setSportType(TqelSports aValue) {
    if (aValue != FSportType) {
        FSportType = aValue;
        setModified(true);
    }
    if (FDataSet) {
        FDataSet->setSportType(aValue);
    }
}

void TqelField::setIcehockeyPenaltyArea(TqelIceHockeyPenaltyArea aValue) {
    if (aValue != FIcehockeyPenaltyArea) {
        FIcehockeyPenaltyArea = aValue;
        setModified(true);
    }
}

void TqelField::setDrawBorder(bool aValue) {
    if (aValue != FDrawBorder) {
        FDrawBorder = aValue;
        setModified(true);
    }
}

void TqelField::setTrackTeamPursuit(bool aValue) {
    if (aValue != FTrackTeamPursuit) {
        FTrackTeamPursuit = aValue;
        setModified(true);
    }
}

void TqelField::setBorderHeight(double aValue) {
    // Written as "not equal": a NaN on either side counts as a change.
    if (!(aValue == FBorderHeight)) {
        FBorderHeight = aValue;
        setModified(true);
    }
}

void TqelField::setFieldRotation3DViewer(double aValue) {
    if (!(aValue == FFieldRotation3DViewer)) {
        FFieldRotation3DViewer = aValue;
        setModified(true);
    }
}

void TqelField::setCustomMaterial(const QString& aValue) {
    if (aValue != FCustomMaterial) {
        FCustomMaterial = aValue;
        setModified(true);
    }
}

void TqelField::DerivePenaltyAreas() {
    // The sum in 64 bits and the corners wrapped, as the stored values are.
    const auto middle = static_cast<int32_t>(
        (static_cast<int64_t>(FFieldBox.LeftTop.YinMM) + FFieldBox.RightBottom.YinMM) / 2);
    FLeftPenaltyArea = {qel::WrapAdd(FFieldBox.LeftTop.XinMM, kPenaltyAreaDepthInMM),
                        qel::WrapAdd(middle, kPenaltyAreaHalfWidthInMM)};
    FRightPenaltyArea = {qel::WrapAdd(FFieldBox.RightBottom.XinMM, -kPenaltyAreaDepthInMM),
                         qel::WrapAdd(middle, -kPenaltyAreaHalfWidthInMM)};
}

// Reading and writing

void TqelField::CheckNotRecording(const QString& anAction) const {
    if (FDataSet && FDataSet->Recording()) {
        throw EFieldDefinitionError(
            QStringLiteral("The field of a dataset cannot be %1 while it records").arg(anAction));
    }
}

void TqelField::readFromStream(qel::BinaryReader& aStream) {
    CheckNotRecording(QStringLiteral("read"));
    const uint16_t version = aStream.readU16();
    FVersion = version;
    FColor = aStream.readI32();
    FMaterial = static_cast<TqelMaterialType>(aStream.readU8());
    if (version > 23) {
        ReadStreamString(aStream, FCustomMaterial);
    }
    if (version > 9) {
        FSportType = static_cast<TqelSports>(static_cast<uint8_t>(aStream.readI32()));
        if (FDataSet) {
            FDataSet->setSportType(FSportType);
        }
    } else if (FDataSet) {
        FSportType = FDataSet->SportType();
    }
    FMeasureBox = qel::ReadFieldBox(aStream);
    if (version > 2) {
        FTransposeXinMM = aStream.readI32();
        FTransposeYinMM = aStream.readI32();
    }
    if (version > 12) {
        FTransposeRotationdegrees = aStream.readU8();
    }
    FOutOfBoundsBoxLeftTop = qel::ReadFieldPosition(aStream);
    FOutOfBoundsBoxRightBottom = qel::ReadFieldPosition(aStream);
    FHasTrack = aStream.readBool();
    if (version > 1) {
        FTrackOrientation = static_cast<TqelTrackOrientation>(aStream.readU8());
    }
    FTrackDefinition.TrackCorner1 = qel::ReadFieldPosition(aStream);
    FTrackDefinition.TrackCorner2 = qel::ReadFieldPosition(aStream);
    FTrackDefinition.TrackStartRadiusInMM = aStream.readI32();
    FTrackDefinition.TrackEndRadiusInMM = aStream.readI32();
    FTrackColor = aStream.readI32();
    FTrackMaterial = static_cast<TqelMaterialType>(aStream.readU8());
    if (version > 1) {
        FTrackFinishLeft = qel::ReadFieldPosition(aStream);
        FTrackFinishRight = qel::ReadFieldPosition(aStream);
        FTrackLengthInMM = aStream.readI32();
        FTrackLeftRightRadiusInMM = aStream.readI32();
    }
    if (version > 3) {
        FTrackTeamPursuit = aStream.readBool();
    }
    if (version > 11) {
        FPowerFactor = aStream.readDouble();
    }
    if (version > 1) {
        const int32_t laneCount = ReadCount(aStream, kLaneBytes);
        FLanes.clear();
        for (int32_t i = 0; i < laneCount; ++i) {
            RqelLaneDef lane;
            lane.StartRadiusInMM = aStream.readI32();
            lane.EndRadiusInMM = aStream.readI32();
            lane.Description = ReadDescription(aStream);
            FLanes.push_back(lane);
        }
        const int32_t sectorCount = ReadCount(aStream, kSectorBytes);
        FSectors.clear();
        for (int32_t i = 0; i < sectorCount; ++i) {
            RqelSectorDef sector;
            sector.Num = aStream.readI32();
            sector.StartInMM = aStream.readI32();
            sector.EndInMM = aStream.readI32();
            sector.Description = ReadDescription(aStream);
            FSectors.push_back(sector);
        }
    }
    FFieldSectors.clear();
    if (version > 3) {
        const int32_t count = ReadCount(aStream, kFieldSectorBytes);
        for (int32_t i = 0; i < count; ++i) {
            RqelFieldSectorDef sector;
            sector.Num = aStream.readI32();
            sector.Box = qel::ReadFieldBox(aStream);
            sector.Description = ReadDescription(aStream);
            FFieldSectors.push_back(sector);
        }
    }
    ReadObjects(aStream, version);
    FFieldBox = version >= 5 ? qel::ReadFieldBox(aStream) : FMeasureBox;
    if (version > 5) {
        FDrawBorder = aStream.readBool();
    }
    FBorderHeight = version >= 10 ? aStream.readDouble() : 0.5;
    QString finishLine1;
    QString finishLine2;
    if (version > 10) {
        ReadStreamString(aStream, finishLine1);
        ReadStreamString(aStream, finishLine2);
    }
    if (version == 14) {
        FFieldRotation3DViewer = WithLowHalf(FFieldRotation3DViewer, aStream.readU32());
    } else if (version > 14) {
        FFieldRotation3DViewer = aStream.readDouble();
    }
    if (version >= 25) {
        ReadGPSPoint(aStream, FGPSZeroPoint);
        ReadGPSPoint(aStream, FGPSPoint1);
        ReadGPSPoint(aStream, FGPSPoint2);
    }
    const int32_t storedArea = version > 25 ? aStream.readI32() : 0;
    if (version > 26) {
        ReadStreamString(aStream, FSurface);
    }

    LinkFinishLines(finishLine1, finishLine2);
    DeriveGPSValues();
    if (FSportType == sportIceHockey) {
        FIcehockeyPenaltyArea = storedArea == ipaNegY ? ipaNegY : ipaPosY;
    } else {
        FIcehockeyPenaltyArea = ipaNone;
    }
}

void TqelField::ReadObjects(qel::BinaryReader& aStream, uint16_t aVersion) {
    clearVaruzas();
    const int32_t count = ReadCount(aStream, kLeastVaruzaBytes);
    FVaruzas.reserve(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
        const uint8_t type = aStream.readU8();
        std::unique_ptr<TqelFieldVaruza> varuza = qel::NewFieldVaruza(type, this);
        if (!varuza) {
            throw EFieldDefinitionError(
                QStringLiteral("Error reading field definition: Varuza type (%1) is not defined")
                    .arg(type));
        }
        // A block cut short is dropped whole: the list keeps the objects read before it.
        varuza->readFromStream(aStream, aVersion);
        addFieldVaruza(std::move(varuza));
    }
}

void TqelField::LinkFinishLines(const QString& aFinishLine1, const QString& aFinishLine2) {
    // Only lines are linked: a circle of the same name is passed over. The last match wins.
    const auto link = [this](const QString& aName, TqelFieldLineVaruza*& aLine,
                             uint8_t& aDirection) {
        if (aName.isEmpty()) {
            return;
        }
        for (const auto& varuza : FVaruzas) {
            if (varuza->VaruzaType() == fotLine && SameName(varuza->Name(), aName)) {
                aLine = static_cast<TqelFieldLineVaruza*>(varuza.get());
                aDirection = qel::CrossPositiveY;
            }
        }
    };
    link(aFinishLine1, FTrackFinishLine1, FTrackFinishDirection1);
    link(aFinishLine2, FTrackFinishLine2, FTrackFinishDirection2);

    if (!FHasTrack) {
        DerivePenaltyAreas();
        return;
    }
    if (FTrackFinishLine1) {
        return;
    }
    // A line through both finish points, either way round.
    const auto touches = [](const TqelFieldLineVaruza& aLine, const RqelFieldPosition& aPoint) {
        const RqelFieldPosition start = aLine.StartPoint();
        const RqelFieldPosition end = aLine.EndPoint();
        return (SameCoordinate(start.XinMM, aPoint.XinMM) ||
                SameCoordinate(end.XinMM, aPoint.XinMM)) &&
               (SameCoordinate(start.YinMM, aPoint.YinMM) ||
                SameCoordinate(end.YinMM, aPoint.YinMM));
    };
    for (const auto& varuza : FVaruzas) {
        if (varuza->VaruzaType() != fotLine) {
            continue;
        }
        auto* line = static_cast<TqelFieldLineVaruza*>(varuza.get());
        if (touches(*line, FTrackFinishLeft) && touches(*line, FTrackFinishRight)) {
            FTrackFinishLine1 = line;
            return;
        }
    }
}

void TqelField::DeriveGPSValues() {
    FGPSLatDegM = kDegreesPerMetre;
    if (FVersion < 25) {
        FGPSLongDegM = kDegreesPerMetre;
        FGPSRotation = 0;
        return;
    }
    // The latitude is stored in degrees.
    const double latitudeCosine = std::cos(FGPSZeroPoint.Latitude() * kPi / 180.0);
    FGPSLongDegM = LongitudeDegreesPerMetre(FGPSZeroPoint.Latitude());
    const double dx = latitudeCosine * (FGPSPoint2.Longitude() - FGPSPoint1.Longitude()) *
                      kEarthRadiusInM * kPi / 180.0;
    const double dy =
        (FGPSPoint2.Latitude() - FGPSPoint1.Latitude()) * kEarthRadiusInM * kPi / 180.0;
    if (dx == 0) {
        FGPSRotation = dy >= 0 ? kPi / 2 : -kPi / 2;
    } else if (dx > 0) {
        FGPSRotation = std::atan(dy / dx);
    } else {
        FGPSRotation = std::atan(dy / dx) + kPi;
    }
}

void TqelField::writeToStream(qel::BinaryWriter& aStream) {
    aStream.writeU16(kStreamVersion);
    aStream.writeI32(FColor);
    aStream.writeU8(FMaterial);
    WriteStreamString(aStream, FCustomMaterial);
    aStream.writeI32(FSportType);
    qel::WriteFieldBox(aStream, FMeasureBox);
    aStream.writeI32(FTransposeXinMM);
    aStream.writeI32(FTransposeYinMM);
    aStream.writeU8(FTransposeRotationdegrees);
    qel::WriteFieldPosition(aStream, FOutOfBoundsBoxLeftTop);
    qel::WriteFieldPosition(aStream, FOutOfBoundsBoxRightBottom);
    aStream.writeBool(FHasTrack);
    aStream.writeU8(FTrackOrientation);
    qel::WriteFieldPosition(aStream, FTrackDefinition.TrackCorner1);
    qel::WriteFieldPosition(aStream, FTrackDefinition.TrackCorner2);
    aStream.writeI32(FTrackDefinition.TrackStartRadiusInMM);
    aStream.writeI32(FTrackDefinition.TrackEndRadiusInMM);
    aStream.writeI32(FTrackColor);
    aStream.writeU8(FTrackMaterial);
    qel::WriteFieldPosition(aStream, FTrackFinishLeft);
    qel::WriteFieldPosition(aStream, FTrackFinishRight);
    aStream.writeI32(FTrackLengthInMM);
    aStream.writeI32(FTrackLeftRightRadiusInMM);
    aStream.writeBool(FTrackTeamPursuit);
    aStream.writeDouble(FPowerFactor);
    aStream.writeI32(LaneCount());
    for (const RqelLaneDef& lane : FLanes) {
        aStream.writeI32(lane.StartRadiusInMM);
        aStream.writeI32(lane.EndRadiusInMM);
        WriteDescription(aStream, lane.Description);
    }
    aStream.writeI32(SectorCount());
    for (const RqelSectorDef& sector : FSectors) {
        aStream.writeI32(sector.Num);
        aStream.writeI32(sector.StartInMM);
        aStream.writeI32(sector.EndInMM);
        WriteDescription(aStream, sector.Description);
    }
    aStream.writeI32(FieldSectorCount());
    for (const RqelFieldSectorDef& sector : FFieldSectors) {
        aStream.writeI32(sector.Num);
        qel::WriteFieldBox(aStream, sector.Box);
        WriteDescription(aStream, sector.Description);
    }
    aStream.writeI32(FieldVaruzaCount());
    for (const auto& varuza : FVaruzas) {
        aStream.writeU8(varuza->VaruzaType());
        varuza->writeToStream(aStream);
    }
    qel::WriteFieldBox(aStream, FFieldBox);
    aStream.writeBool(FDrawBorder);
    aStream.writeDouble(FBorderHeight);
    WriteStreamString(aStream, FTrackFinishLine1 ? FTrackFinishLine1->Name() : QString());
    WriteStreamString(aStream, FTrackFinishLine2 ? FTrackFinishLine2->Name() : QString());
    aStream.writeDouble(FFieldRotation3DViewer);
    WriteGPSPoint(aStream, FGPSZeroPoint);
    WriteGPSPoint(aStream, FGPSPoint1);
    WriteGPSPoint(aStream, FGPSPoint2);
    aStream.writeI32(FIcehockeyPenaltyArea);
    WriteStreamString(aStream, FSurface);
    FVersion = kStreamVersion;
    // Cleared without the setter: storing the field is no change to tell the dataset of.
    FModified = false;
}

void TqelField::LoadFromFile(const QString& aFilename) {
    QFile file(aFilename);
    if (!file.open(QIODevice::ReadOnly)) {
        throw EFOpenError(
            QStringLiteral("Cannot open file \"%1\". %2").arg(aFilename, file.errorString()));
    }
    qel::BinaryReader reader(file);
    readFromStream(reader);
}

void TqelField::SaveToFile(const QString& aFilename) {
    QSaveFile file(aFilename);
    if (!file.open(QIODevice::WriteOnly)) {
        throw EFCreateError(
            QStringLiteral("Cannot create file \"%1\". %2").arg(aFilename, file.errorString()));
    }
    qel::BufferedOutput buffer(file, kSaveBufferSize);
    qel::BinaryWriter writer(buffer);
    writeToStream(writer);
    if (!buffer.flush() || !file.commit()) {
        throw EWriteError(
            QStringLiteral("Cannot write file \"%1\". %2").arg(aFilename, file.errorString()));
    }
}
