#include "analysis/sprints/sprints.h"

#include <algorithm>
#include <cmath>

#include "analysis/framework/calculation.h"
#include "analysis/framework/calculation_context.h"
#include "foundation/geometry.h"
#include "foundation/model_interfaces.h"
#include "model/field/field_varuza.h"
#include "platform/binary_stream.h"
#include "platform/exception.h"
#include "platform/numbers.h"

QEL_REGISTER_CALCULATION(TqelSprints, Sprints, SprintAct)

TqelSprints* TqelCalculation::GetSprint(int32_t anIndex) const {
    return static_cast<TqelSprints*>(SprintObject(anIndex));
}

namespace {

// Below this speed a dip ends an effort at once, however short.
constexpr double kAlmostStandingSpeed = 1.0;
// The number of highest speed zones the manual totals are spread over.
constexpr int32_t kManualZones = 4;

int32_t HalfFrame(int32_t aTimeFrame) {
    return aTimeFrame / 2;
}

int32_t Shifted(int32_t aTimeInMS, int64_t anOffset) {
    return static_cast<int32_t>(aTimeInMS + anOffset);
}

}  // namespace

TqelSprints::TqelSprints(TqelCalculation& aCalculation)
    : TqelCalculationVaruza(aCalculation),
      FSpeedInfo(aCalculation),
      FETLInfo(aCalculation),
      FSprints(1) {}

bool TqelSprints::Init() {
    FTotalDistance = 0;
    FSprintCount = 0;
    FSprints.assign(1, RSprintBin{});
    // The effort's zone analysis keeps no fatigue windows.
    FSpeedInfo.Init(0);
    FETLInfo.Init();
    return true;
}

void TqelSprints::ProcessTimeFrame(int32_t aTimeInMS, bool aOnField,
                                   const RqelCalculatedPosition& aPos, double aDistance,
                                   double aSpeed, double aFifaSpeed, double anAcceleration,
                                   double aHeartbeat, double anImpact, bool aTeamHasPossession,
                                   TqelPlayDirection aPlayDirection, bool aBallAlive,
                                   bool aClockIsRunning) {
    const TqelCalculation& calculation = *Calculation();
    FTotalDistance += aDistance;
    if (aSpeed >= calculation.SprintMaxStandingSpeed()) {
        const bool starting = Open().StartTimeInMS == 0;
        if (starting) {
            FSpeedInfo.Init(0);
            FETLInfo.Init();
        }
        FSpeedInfo.ProcessTimeFrame(aTimeInMS, aOnField, aPos, aDistance, aSpeed, aFifaSpeed,
                                    anAcceleration, aHeartbeat, anImpact, aTeamHasPossession,
                                    aPlayDirection, aBallAlive, aClockIsRunning);
        FETLInfo.ProcessTimeFrame(aTimeInMS, aOnField, aPos, aDistance, aSpeed, aFifaSpeed,
                                  anAcceleration, aHeartbeat, anImpact, aTeamHasPossession,
                                  aPlayDirection, aBallAlive, aClockIsRunning);
        if (starting) {
            StartEffort(aTimeInMS, aOnField, aPos, aDistance, aSpeed, aFifaSpeed, anAcceleration,
                        aTeamHasPossession, aPlayDirection, aClockIsRunning);
        } else {
            ContinueEffort(aOnField, aPos, aDistance, aSpeed, aFifaSpeed, anAcceleration,
                           aTeamHasPossession, aTimeInMS, aClockIsRunning);
        }
        return;
    }

    RSprintBin& effort = Open();
    if (effort.StartTimeInMS <= 0 || effort.SprintTimeInMS <= 0) {
        effort.StartTimeInMS = 0;
        return;
    }
    // A short dip that keeps moving does not end the effort.
    if (effort.EndTimeInMS >=
            static_cast<int64_t>(aTimeInMS) - calculation.SprintMinStandingTimeMS() &&
        aSpeed >= kAlmostStandingSpeed) {
        return;
    }
    if (Qualifies(effort) && effort.SprintTimeInMS / 2 < effort.EffectiveTime) {
        effort.EndFieldZone = calculation.Context().PositionToZone(
            effort.EndPosXinM, effort.EndPosYinM, aPlayDirection);
        // DirectionAngle takes (Y1, X1, Y2, X2): handing it X first measures from +X towards +Y.
        effort.DirectionRAD =
            DirectionAngle(aPlayDirection, effort.StartPosXinM, effort.StartPosYinM,
                           effort.EndPosXinM, effort.EndPosYinM);
        Record();
    }
    Open().StartTimeInMS = 0;
}

void TqelSprints::StartEffort(int32_t aTimeInMS, bool aOnField, const RqelCalculatedPosition& aPos,
                              double aDistance, double aSpeed, double aFifaSpeed,
                              double anAcceleration, bool aTeamHasPossession,
                              TqelPlayDirection aPlayDirection, bool aClockIsRunning) {
    const TqelCalculation& calculation = *Calculation();
    const int32_t timeFrame = calculation.TimeFrame();
    const qel::SprintCategoryList* categories = calculation.SprintCategories();
    FSprintCatInfo.Init(categories ? *categories : qel::SprintCategoryList{});
    FSprintCatInfo.AddTime(aSpeed, timeFrame);

    RSprintBin& effort = Open();
    effort = RSprintBin{};
    effort.StartPossession = aTeamHasPossession;
    effort.DurationPossessionInMS = aTeamHasPossession ? timeFrame : 0;
    effort.DurationOpponentInMS = aTeamHasPossession ? 0 : timeFrame;
    effort.InitClockRunning = aClockIsRunning;
    effort.OnFieldTime = aOnField ? timeFrame : 0;
    effort.EffectiveTime = aOnField && aClockIsRunning ? timeFrame : 0;
    effort.StartTimeInMS = Shifted(aTimeInMS, -HalfFrame(timeFrame));
    effort.EndTimeInMS = Shifted(aTimeInMS, HalfFrame(timeFrame));
    effort.MaxSpeedMS = aSpeed;
    effort.LastSpeed = aSpeed;
    effort.MaxFifaSpeed = aFifaSpeed;
    effort.MaxAccelerationMS2 = anAcceleration;
    effort.SprintDistanceInMM = aDistance;
    effort.StartPosXinM = aPos.XinM;
    effort.StartPosYinM = aPos.YinM;
    effort.EndPosXinM = aPos.XinM;
    effort.EndPosYinM = aPos.YinM;
    effort.StartFieldZone =
        calculation.Context().PositionToZone(aPos.XinM, aPos.YinM, aPlayDirection);
    effort.PlayDirection = aPlayDirection;
    effort.DirectionRAD = 0;
    effort.CumDistanceStartInM = static_cast<double>(Round(FTotalDistance)) / 1000;
    effort.SprintCategory = -1;
    if (aSpeed >= calculation.SprintMinSprintSpeed()) {
        effort.SprintTimeInMS = timeFrame;
    }
    if (aSpeed >= calculation.SprintMinHIDSpeed()) {
        effort.HIDSpeedTimeInMS = timeFrame;
        effort.HIDDistanceInMM = aDistance;
    }
}

void TqelSprints::ContinueEffort(bool aOnField, const RqelCalculatedPosition& aPos,
                                 double aDistance, double aSpeed, double aFifaSpeed,
                                 double anAcceleration, bool aTeamHasPossession, int32_t aTimeInMS,
                                 bool aClockIsRunning) {
    const TqelCalculation& calculation = *Calculation();
    const int32_t timeFrame = calculation.TimeFrame();
    RSprintBin& effort = Open();
    effort.MaxSpeedMS = std::max(effort.MaxSpeedMS, aSpeed);
    effort.MaxFifaSpeed = std::max(effort.MaxFifaSpeed, aFifaSpeed);
    effort.MaxAccelerationMS2 = std::max(effort.MaxAccelerationMS2, anAcceleration);
    effort.LastSpeed = aSpeed;
    effort.EndTimeInMS = Shifted(aTimeInMS, HalfFrame(timeFrame));
    effort.SprintDistanceInMM += aDistance;
    effort.EndPosXinM = aPos.XinM;
    effort.EndPosYinM = aPos.YinM;
    if (aSpeed >= calculation.SprintMinSprintSpeed()) {
        effort.SprintTimeInMS += timeFrame;
    }
    if (aSpeed >= calculation.SprintMinHIDSpeed()) {
        effort.HIDDistanceInMM += aDistance;
        effort.HIDSpeedTimeInMS += timeFrame;
    }
    if (aTeamHasPossession) {
        effort.DurationPossessionInMS += timeFrame;
    } else {
        effort.DurationOpponentInMS += timeFrame;
    }
    if (aOnField) {
        effort.OnFieldTime += timeFrame;
        if (aClockIsRunning) {
            effort.EffectiveTime += timeFrame;
        }
    }
    FSprintCatInfo.AddTime(aSpeed, timeFrame);
}

bool TqelSprints::Qualifies(const RSprintBin& anEffort) const {
    const TqelCalculation& calculation = *Calculation();
    const bool plausible = anEffort.MaxAccelerationMS2 < calculation.SprintMaxValidAccel() &&
                           anEffort.MaxSpeedMS < calculation.SprintMaxValidSpeed();
    return anEffort.SprintTimeInMS > calculation.SprintMinSprintTimeMS() &&
           (plausible || calculation.SprintShowInvalid());
}

void TqelSprints::FindLeadIn(RSprintBin& aSprint) const {
    const TqelCalculation& calculation = *Calculation();
    aSprint.AccelStartTimeInMS = aSprint.StartTimeInMS;
    // The time the athlete needed to reach the standing limit from the acceleration speed.
    const double accel = std::max(calculation.AccelMinAccel(), aSprint.MaxAccelerationMS2);
    if (!(accel > 0)) {
        return;
    }
    const double leadIn =
        (calculation.SprintMaxStandingSpeed() - calculation.AccelMinSpeed()) * 1000 / accel;
    if (!std::isfinite(leadIn)) {
        return;
    }
    // Capped, so that no effort's end scans an unbounded number of milliseconds.
    const int64_t leadInMS = Round(
        std::clamp(leadIn, -static_cast<double>(kMaxLeadInMS), static_cast<double>(kMaxLeadInMS)));
    aSprint.AccelStartTimeInMS = Shifted(aSprint.StartTimeInMS, -leadInMS);
    IqelTransponderData* transponder = calculation.Transponder();
    if (!transponder) {
        return;
    }
    for (int32_t t = aSprint.AccelStartTimeInMS; t < aSprint.StartTimeInMS; ++t) {
        aSprint.MaxAccelerationMS2 =
            std::max(aSprint.MaxAccelerationMS2, transponder->calcAcceleration(t));
    }
}

void TqelSprints::Record() {
    RSprintBin& sprint = Open();
    sprint.SpeedIndex = FSpeedInfo.Index();
    sprint.ETLIndex = static_cast<double>(FETLInfo.TotalValue());
    IqelTransponderData* transponder = Calculation()->Transponder();
    sprint.AvgHeartbeat = transponder
                              ? qel::RoundToInt32Saturated(transponder->calcAverageHeartbeat(
                                    sprint.StartTimeInMS, sprint.EndTimeInMS))
                              : 0;
    FindLeadIn(sprint);
    sprint.SprintCategory = FSprintCatInfo.Category();
    ++FSprintCount;
    // Grows geometrically: recording allocates now and then, a step never.
    FSprints.emplace_back();
}

void TqelSprints::Finalize() {
    const RSprintBin& effort = Open();
    // No end zone or direction here, and the effective-time rule does not apply.
    if (effort.StartTimeInMS > 0 && effort.SprintTimeInMS > 0 && Qualifies(effort)) {
        Record();
    }
    Open().StartTimeInMS = 0;
}

const RSprintBin& TqelSprints::GetSprint(int32_t anIndex) const {
    qel::CheckListIndex(anIndex, FSprintCount);
    return FSprints[static_cast<size_t>(anIndex)];
}

int32_t TqelSprints::SprintsInZone(double aMinSpeed, double aMaxSpeed) const {
    return static_cast<int32_t>(std::count_if(
        FSprints.begin(), FSprints.begin() + FSprintCount, [&](const RSprintBin& aSprint) {
            return aMinSpeed <= aSprint.MaxSpeedMS && aSprint.MaxSpeedMS < aMaxSpeed;
        }));
}

double TqelSprints::SprintIndexSum() const {
    double sum = 0;
    for (int32_t i = 0; i < FSprintCount; ++i) {
        sum += FSprints[i].SpeedIndex;
    }
    return sum;
}

double TqelSprints::SprintIndexAvg() const {
    return FSprintCount == 0 ? 0 : SprintIndexSum() / FSprintCount;
}

double TqelSprints::HIDistance() const {
    double sum = 0;
    for (int32_t i = 0; i < FSprintCount; ++i) {
        sum += FSprints[i].HIDDistanceInMM;
    }
    return sum;
}

double TqelSprints::HIDPossession() const {
    double sum = 0;
    for (int32_t i = 0; i < FSprintCount; ++i) {
        const RSprintBin& sprint = FSprints[i];
        // A stored record of no duration has no share to weigh by.
        if (sprint.DurationPossessionInMS > 0 && sprint.DurationInMS() > 0) {
            sum += sprint.HIDDistanceInMM * sprint.DurationPossessionInMS / sprint.DurationInMS();
        }
    }
    return sum;
}

double TqelSprints::MaxSpeed() const {
    double result = 0;
    for (int32_t i = 0; i < FSprintCount; ++i) {
        result = std::max(result, FSprints[i].MaxSpeedMS);
    }
    return result;
}

double TqelSprints::MaxAccel() const {
    double result = 0;
    for (int32_t i = 0; i < FSprintCount; ++i) {
        result = std::max(result, FSprints[i].MaxAccelerationMS2);
    }
    return result;
}

double TqelSprints::AvgMaxSpeed() const {
    double sum = 0;
    for (int32_t i = 0; i < FSprintCount; ++i) {
        sum += FSprints[i].MaxSpeedMS;
    }
    return FSprintCount == 0 ? 0 : sum / FSprintCount;
}

double TqelSprints::AvgMaxAccel() const {
    double sum = 0;
    for (int32_t i = 0; i < FSprintCount; ++i) {
        sum += FSprints[i].MaxAccelerationMS2;
    }
    return FSprintCount == 0 ? 0 : sum / FSprintCount;
}

void TqelSprints::Add(const TqelSprints& aValue) {
    std::vector<RSprintBin> copies;
    copies.reserve(static_cast<size_t>(aValue.FSprintCount));
    for (int32_t i = 0; i < aValue.FSprintCount; ++i) {
        const RSprintBin& source = aValue.FSprints[i];
        RSprintBin& copy = copies.emplace_back();
        copy.MaxSpeedMS = source.MaxSpeedMS;
        copy.MaxFifaSpeed = source.MaxFifaSpeed;
        copy.MaxAccelerationMS2 = source.MaxAccelerationMS2;
        copy.StartTimeInMS = source.StartTimeInMS;
        copy.EndTimeInMS = source.EndTimeInMS;
        copy.HIDSpeedTimeInMS = source.HIDSpeedTimeInMS;
        copy.HIDDistanceInMM = source.HIDDistanceInMM;
        copy.AccelStartTimeInMS = source.AccelStartTimeInMS;
        copy.SprintCategory = source.SprintCategory;
    }
    const double distance = aValue.FTotalDistance;
    // The open record stays last.
    FSprints.insert(FSprints.begin() + FSprintCount, copies.begin(), copies.end());
    FSprintCount += static_cast<int32_t>(copies.size());
    FTotalDistance += distance;
}

void TqelSprints::AddManualData(int32_t aTotalSprintCount, int32_t aTotalDistanceMM,
                                int32_t aHIDinMM, int32_t aNumberSprintsZone_3,
                                int32_t aNumberSprintsZone_2, int32_t aNumberSprintsZone_1,
                                int32_t aNumberSprintsZoneMax, int32_t aDistZone_3,
                                int32_t aDistZone_2, int32_t aDistZone_1, int32_t aDistZoneMax) {
    struct Group {
        int32_t Count;
        int32_t DistanceMM;
        int32_t BinFromTop;
    };
    const Group groups[kManualZones] = {{aNumberSprintsZone_3, aDistZone_3, 4},
                                        {aNumberSprintsZone_2, aDistZone_2, 3},
                                        {aNumberSprintsZone_1, aDistZone_1, 2},
                                        {aNumberSprintsZoneMax, aDistZoneMax, 1}};
    // A negative count would size the records wrongly.
    int64_t zoneSprints = 0;
    for (const Group& group : groups) {
        if (group.Count < 0) {
            throw Exception(QStringLiteral("Number of sprints can't be negative"));
        }
        zoneSprints += group.Count;
    }
    if (aTotalSprintCount < 0) {
        throw Exception(QStringLiteral("Number of sprints can't be negative"));
    }
    if (zoneSprints == 0) {
        throw Exception(QStringLiteral("Number of sprints can't be 0"));
    }
    if (aTotalSprintCount < zoneSprints) {
        throw Exception(
            QStringLiteral("Total number of sprints is less then sum of high zones sprints"));
    }
    const int64_t rest = static_cast<int64_t>(aTotalDistanceMM) - aDistZone_3 - aDistZone_2 -
                         aDistZone_1 - aDistZoneMax;
    if (rest < 0) {
        throw Exception(
            QStringLiteral("The total distance is less then the sum of high zone distance"));
    }
    const TqelSpeedInfo* speedInfo = Calculation()->SpeedInfo();
    const int32_t binCount = speedInfo ? speedInfo->BinCount() : 0;
    if (binCount < kManualZones) {
        throw Exception(QStringLiteral("The number of speedzones is less then 4"));
    }

    // Built aside, so that nothing changes when an allocation fails.
    std::vector<RSprintBin> records;
    records.reserve(static_cast<size_t>(aTotalSprintCount) + 1);
    auto append = [&records](double aSpeed, double aDistanceMM, double aHIDinMM) {
        RSprintBin& record = records.emplace_back();
        record.MaxSpeedMS = aSpeed;
        record.MaxFifaSpeed = aSpeed;
        record.SprintDistanceInMM = aDistanceMM;
        // A zone that starts at 0 gives no time rather than an endless one.
        record.EndTimeInMS = aSpeed == 0 ? 0 : qel::RoundToInt32Saturated(aDistanceMM / aSpeed);
        record.HIDDistanceInMM = aHIDinMM;
    };
    const double hidPerSprint = static_cast<double>(aHIDinMM) / zoneSprints;
    for (const Group& group : groups) {
        const RSpeedBin& bin = speedInfo->GetSpeedBin(binCount - group.BinFromTop);
        const double speed = (bin.MinSpeed + bin.MaxSpeed) / 2;
        for (int32_t i = 0; i < group.Count; ++i) {
            append(speed, static_cast<double>(group.DistanceMM) / group.Count, hidPerSprint);
        }
    }
    const int64_t others = aTotalSprintCount - zoneSprints;
    if (others > 0) {
        const double speed = speedInfo->GetSpeedBin(binCount - kManualZones).MinSpeed / 2;
        const double distance = static_cast<double>(Round(static_cast<double>(rest) / others));
        for (int64_t i = 0; i < others; ++i) {
            append(speed, distance, 0);
        }
    }
    records.emplace_back();

    FSprints = std::move(records);
    FSprintCount = aTotalSprintCount;
    FTotalDistance = aTotalDistanceMM;
}

void TqelSprints::ReadFromStream(qel::BinaryReader& aStream, uint8_t aVersion) {
    const double totalDistance = aStream.readDouble();
    const int32_t count = aStream.readI32();
    // Checked before anything is allocated.
    aStream.checkCount(count, RSprintBin::StreamSize(aVersion));
    std::vector<RSprintBin> records;
    records.reserve(static_cast<size_t>(count) + 1);
    for (int32_t i = 0; i < count; ++i) {
        records.push_back(RSprintBin::Read(aStream, aVersion));
    }
    records.emplace_back();
    FSprints = std::move(records);
    FSprintCount = count;
    FTotalDistance = totalDistance;
}

void TqelSprints::writeToStream(qel::BinaryWriter& aStream) const {
    aStream.writeDouble(FTotalDistance);
    aStream.writeI32(FSprintCount);
    for (int32_t i = 0; i < FSprintCount; ++i) {
        FSprints[i].Write(aStream);
    }
}
