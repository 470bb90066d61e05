#include "analysis/sprints/accel_activity.h"

#include <algorithm>
#include <cmath>

#include "analysis/framework/accel_info.h"
#include "analysis/framework/calculation.h"
#include "analysis/framework/speed_info.h"
#include "platform/binary_stream.h"
#include "platform/exception.h"

QEL_REGISTER_CALCULATION(TqelAccelActivity, AccelAct, AccelAct)

namespace {

// Record layout by version: groups appear at these versions.
constexpr uint8_t kMinSpeedVersion = 100;
constexpr uint8_t kCumDistVersion = 116;
constexpr uint8_t kTimesVersion = 143;
// Manual records span this fixed interval.
constexpr int32_t kManualStartInMS = 1;
constexpr int32_t kManualEndInMS = 200;

qint64 RecordBytes(uint8_t aVersion) {
    qint64 result = 4 + 4 + 8 + 8 + 8 + 8 + 4;
    if (aVersion >= kMinSpeedVersion) {
        result += 8;
    }
    if (aVersion >= kCumDistVersion) {
        result += 8;
    }
    if (aVersion >= kTimesVersion) {
        result += 1 + 4 + 4;
    }
    return result;
}

RqelAcceleration ReadRecord(qel::BinaryReader& aStream, uint8_t aVersion) {
    RqelAcceleration record;
    record.StartTimeInMS = aStream.readI32();
    record.EndTimeInMS = aStream.readI32();
    record.MaxAcceleration = aStream.readDouble();
    record.MaxSpeed = aStream.readDouble();
    if (aVersion >= kMinSpeedVersion) {
        record.MinSpeed = aStream.readDouble();
    }
    record.DistanceInMM = aStream.readDouble();
    record.SpeedIndex = aStream.readDouble();
    record.Category = aStream.readI32();
    if (aVersion >= kCumDistVersion) {
        record.CumDistAtStart = aStream.readDouble();
    }
    if (aVersion >= kTimesVersion) {
        record.InitClockRunning = aStream.readBool();
        record.OnFieldTime = aStream.readI32();
        record.EffectiveTime = aStream.readI32();
    }
    return record;
}

void WriteRecord(qel::BinaryWriter& aStream, const RqelAcceleration& aRecord) {
    aStream.writeI32(aRecord.StartTimeInMS);
    aStream.writeI32(aRecord.EndTimeInMS);
    aStream.writeDouble(aRecord.MaxAcceleration);
    aStream.writeDouble(aRecord.MaxSpeed);
    aStream.writeDouble(aRecord.MinSpeed);
    aStream.writeDouble(aRecord.DistanceInMM);
    aStream.writeDouble(aRecord.SpeedIndex);
    aStream.writeI32(aRecord.Category);
    aStream.writeDouble(aRecord.CumDistAtStart);
    aStream.writeBool(aRecord.InitClockRunning);
    aStream.writeI32(aRecord.OnFieldTime);
    aStream.writeI32(aRecord.EffectiveTime);
}

// Checked against the bytes left before the list is sized.
std::vector<RqelAcceleration> ReadRecords(qel::BinaryReader& aStream, uint8_t aVersion) {
    const int32_t count = aStream.readI32();
    if (count < 0) {
        throw EReadError(QStringLiteral("Stream Error: negative effort count %1").arg(count));
    }
    aStream.checkCount(count, RecordBytes(aVersion));
    std::vector<RqelAcceleration> result;
    result.reserve(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
        result.push_back(ReadRecord(aStream, aVersion));
    }
    return result;
}

void WriteRecords(qel::BinaryWriter& aStream, const std::vector<RqelAcceleration>& aRecords) {
    aStream.writeI32(static_cast<int32_t>(aRecords.size()));
    for (const RqelAcceleration& record : aRecords) {
        WriteRecord(aStream, record);
    }
}

RqelAcceleration& RecordAt(std::vector<RqelAcceleration>& aRecords, int32_t anIndex) {
    if (anIndex < 0 || static_cast<size_t>(anIndex) >= aRecords.size()) {
        throw EArgumentOutOfRangeException(QStringLiteral("Effort index %1 is outside 0 to %2")
                                               .arg(anIndex)
                                               .arg(static_cast<qsizetype>(aRecords.size()) - 1));
    }
    return aRecords[static_cast<size_t>(anIndex)];
}

double Largest(const std::vector<RqelAcceleration>& aRecords) {
    double result = 0;
    for (const RqelAcceleration& record : aRecords) {
        result = std::max(result, record.MaxAcceleration);
    }
    return result;
}

double Mean(const std::vector<RqelAcceleration>& aRecords) {
    if (aRecords.empty()) {
        return 0;
    }
    double sum = 0;
    for (const RqelAcceleration& record : aRecords) {
        sum += record.MaxAcceleration;
    }
    return sum / static_cast<double>(aRecords.size());
}

void RefuseNegative(int32_t aCount) {
    if (aCount < 0) {
        throw Exception(QStringLiteral("Number of efforts must not be negative (%1)").arg(aCount));
    }
}

std::vector<RqelAcceleration> ManualRecords(int32_t aCount) {
    RqelAcceleration record;
    record.StartTimeInMS = kManualStartInMS;
    record.EndTimeInMS = kManualEndInMS;
    return std::vector<RqelAcceleration>(static_cast<size_t>(aCount), record);
}

}  // namespace

TqelAccelActivity::TqelAccelActivity(TqelCalculation& aCalculation)
    : TqelCalculationVaruza(aCalculation),
      FSpeedInfo(std::make_unique<TqelSpeedInfo>(aCalculation)) {}

TqelAccelActivity::~TqelAccelActivity() = default;

bool TqelAccelActivity::Init() {
    FSpeedInfo->Init(0);
    // Cleared, not freed: a re-run records into the same storage.
    FAccelerations.clear();
    FDecelerations.clear();
    ClearOpenEffort();
    FAccel = 0;
    FMinSpeed = 0;
    FTotalDistance = 0;
    return true;
}

void TqelAccelActivity::ClearOpenEffort() {
    FFirstAccelTime = -1;
    FLastAccelTime = -1;
    FMaxAccel = 0;
    FMaxSpeed = 0;
    FCurrentDistance = 0;
    FOnFieldTime = 0;
    FEffectiveTime = 0;
}

void TqelAccelActivity::ProcessTimeFrame(int32_t aTimeInMS, bool aOnField,
                                         const RqelCalculatedPosition& aPos, double aDistance,
                                         double aSpeed, double aFifaSpeed, double anAcceleration,
                                         double aHeartbeat, double anImpact,
                                         bool aTeamHasPossession, TqelPlayDirection aPlayDirection,
                                         bool aBallAlive, bool aClockIsRunning) {
    TqelCalculation& calculation = *Calculation();
    FTotalDistance += aDistance;
    const double magnitude = std::fabs(anAcceleration);
    if (!(aSpeed > calculation.AccelMinSpeed() && magnitude >= calculation.AccelMinAccel())) {
        EndEffort();
        return;
    }
    const int32_t timeFrame = calculation.TimeFrame();
    if (FFirstAccelTime == -1) {
        OpenEffort(aTimeInMS, aDistance, aSpeed, magnitude, anAcceleration, aClockIsRunning);
    } else {
        // The kind stays that of the first step, whatever the sign now.
        FMaxAccel = std::max(FMaxAccel, magnitude);
        FMaxSpeed = std::max(FMaxSpeed, aSpeed);
        FMinSpeed = std::min(FMinSpeed, aSpeed);
        FCurrentDistance += aDistance;
        if (aOnField) {
            FOnFieldTime += timeFrame;
            if (aClockIsRunning) {
                FEffectiveTime += timeFrame;
            }
        }
    }
    FLastAccelTime = aTimeInMS;
    FSpeedInfo->ProcessTimeFrame(aTimeInMS, aOnField, aPos, aDistance, aSpeed, aFifaSpeed,
                                 anAcceleration, aHeartbeat, anImpact, aTeamHasPossession,
                                 aPlayDirection, aBallAlive, aClockIsRunning);
    FAccelCatInfo.AddTime(aSpeed, magnitude, timeFrame);
}

void TqelAccelActivity::OpenEffort(int32_t aTimeInMS, double aDistance, double aSpeed,
                                   double aMagnitude, double anAcceleration, bool aClockIsRunning) {
    const TqelCalculation& calculation = *Calculation();
    // The first step adds no time: an effort's time runs between its steps.
    FEffectiveTime = 0;
    FOnFieldTime = 0;
    FInitClockRunning = aClockIsRunning;
    FSpeedInfo->Init(0);
    FFirstAccelTime = aTimeInMS;
    FMaxAccel = aMagnitude;
    FMaxSpeed = aSpeed;
    FMinSpeed = aSpeed;
    FCurrentDistance = aDistance;
    const bool accelerating = anAcceleration > 0;
    FAccel = accelerating ? 1 : -1;
    const qel::AccelCategoryList* categories =
        accelerating ? calculation.AccelerationCategories() : calculation.DecelerationCategories();
    FAccelCatInfo.Init(accelerating, categories ? *categories : qel::AccelCategoryList());
}

void TqelAccelActivity::EndEffort() {
    if (FFirstAccelTime == -1) {
        return;
    }
    const TqelCalculation& calculation = *Calculation();
    const int64_t duration = int64_t{FLastAccelTime} - FFirstAccelTime;
    const bool recorded = duration > calculation.AccelMinTimeMS() &&
                          FMaxAccel < calculation.AccelMaxValidAccel() && FOnFieldTime > 0 &&
                          duration / 2 < FEffectiveTime;
    std::vector<RqelAcceleration>* list = FAccel == 1    ? &FAccelerations
                                          : FAccel == -1 ? &FDecelerations
                                                         : nullptr;
    if (recorded && list) {
        RqelAcceleration record;
        record.StartTimeInMS = FFirstAccelTime;
        record.EndTimeInMS = FLastAccelTime;
        record.MaxAcceleration = FMaxAccel;
        record.MaxSpeed = FMaxSpeed;
        record.MinSpeed = FMinSpeed;
        record.DistanceInMM = FCurrentDistance;
        record.SpeedIndex = FSpeedInfo->Index();
        record.Category = FAccelCatInfo.Category();
        record.CumDistAtStart = (FTotalDistance - FCurrentDistance) / 1000;
        record.InitClockRunning = FInitClockRunning;
        record.OnFieldTime = FOnFieldTime;
        record.EffectiveTime = FEffectiveTime;
        list->push_back(record);
    }
    ClearOpenEffort();
}

void TqelAccelActivity::Finalize() {
    EndEffort();
}

RqelAcceleration& TqelAccelActivity::GetAcceleration(int32_t anIndex) {
    return RecordAt(FAccelerations, anIndex);
}

RqelAcceleration& TqelAccelActivity::GetDeceleration(int32_t anIndex) {
    return RecordAt(FDecelerations, anIndex);
}

double TqelAccelActivity::MaxAcceleration() const {
    return Largest(FAccelerations);
}

double TqelAccelActivity::MaxDeceleration() const {
    return Largest(FDecelerations);
}

double TqelAccelActivity::AvgMaxAccel() const {
    return Mean(FAccelerations);
}

double TqelAccelActivity::AvgMaxDecel() const {
    return Mean(FDecelerations);
}

int32_t TqelAccelActivity::AccelerationsInZone(double aMinAccel, double aMaxAccel) const {
    return static_cast<int32_t>(
        std::count_if(FAccelerations.begin(), FAccelerations.end(), [&](const RqelAcceleration& r) {
            return aMinAccel <= r.MaxAcceleration && r.MaxAcceleration < aMaxAccel;
        }));
}

void TqelAccelActivity::AddManualDataAccel(int32_t aTotalNumberAccel, int32_t aNumberCat_2,
                                           int32_t aNumberCat_1, int32_t aNumberCat_0) {
    // Negative counts would pass the sum check below and write past the records.
    for (int32_t count : {aTotalNumberAccel, aNumberCat_2, aNumberCat_1, aNumberCat_0}) {
        RefuseNegative(count);
    }
    const int64_t rest =
        int64_t{aTotalNumberAccel} - aNumberCat_0 - aNumberCat_1 - int64_t{aNumberCat_2};
    if (rest < 0) {
        throw Exception(QStringLiteral(
            "Number of total accelerations is less then the sum of accelerations per bin"));
    }
    TqelAccelInfo* accelInfo = Calculation()->AccelInfo();
    const int32_t n = accelInfo ? accelInfo->AccelBinCount() : 0;
    if (n < 3) {
        throw Exception(QStringLiteral("Number of acceleration Zones is less then 3"));
    }
    const RAccelBin& bin1 = accelInfo->GetAccelBin(n - 3);
    const RAccelBin& bin2 = accelInfo->GetAccelBin(n - 2);
    const RAccelBin& bin3 = accelInfo->GetAccelBin(n - 1);
    std::vector<RqelAcceleration> records = ManualRecords(aTotalNumberAccel);
    auto record = records.begin();
    auto fill = [&record](int64_t aCount, double aValue) {
        for (int64_t i = 0; i < aCount; ++i, ++record) {
            record->MaxAcceleration = aValue;
        }
    };
    fill(rest, bin1.MinForce / 2);
    fill(aNumberCat_2, (bin1.MinForce + bin1.MaxForce) / 2);
    fill(aNumberCat_1, (bin2.MinForce + bin2.MaxForce) / 2);
    fill(aNumberCat_0, (bin3.MinForce + bin3.MaxForce) / 2);
    FAccelerations = std::move(records);
}

void TqelAccelActivity::AddManualDataDecel(int32_t aTotalNumberDecel) {
    RefuseNegative(aTotalNumberDecel);
    std::vector<RqelAcceleration> records = ManualRecords(aTotalNumberDecel);
    for (RqelAcceleration& record : records) {
        record.MaxAcceleration = 1.0;
    }
    FDecelerations = std::move(records);
}

void TqelAccelActivity::ReadFromStream(qel::BinaryReader& aStream, uint8_t aVersion) {
    FFirstAccelTime = aStream.readI32();
    FLastAccelTime = aStream.readI32();
    FAccel = aStream.readI32();
    FMaxAccel = aStream.readDouble();
    FMaxSpeed = aStream.readDouble();
    FCurrentDistance = aStream.readDouble();
    FSpeedInfo->ReadFromStream(aStream, aVersion);
    std::vector<RqelAcceleration> accelerations = ReadRecords(aStream, aVersion);
    std::vector<RqelAcceleration> decelerations = ReadRecords(aStream, aVersion);
    FAccelerations = std::move(accelerations);
    FDecelerations = std::move(decelerations);
    // Not stored: an effort read while open goes on from these.
    FMinSpeed = 0;
    FTotalDistance = 0;
    FOnFieldTime = 0;
    FEffectiveTime = 0;
}

void TqelAccelActivity::writeToStream(qel::BinaryWriter& aStream) const {
    aStream.writeI32(FFirstAccelTime);
    aStream.writeI32(FLastAccelTime);
    aStream.writeI32(FAccel);
    aStream.writeDouble(FMaxAccel);
    aStream.writeDouble(FMaxSpeed);
    aStream.writeDouble(FCurrentDistance);
    FSpeedInfo->writeToStream(aStream);
    WriteRecords(aStream, FAccelerations);
    WriteRecords(aStream, FDecelerations);
}
