#include "analysis/framework/speed_info.h"

#include <algorithm>
#include <mutex>

#include "analysis/framework/calculation.h"
#include "foundation/model_interfaces.h"
#include "platform/binary_stream.h"
#include "platform/exception.h"
#include "platform/numbers.h"

QEL_REGISTER_CALCULATION(TqelSpeedInfo, SpeedInfo, SpeedInfo)

namespace {

// The athlete maximum without a transponder (m/s).
constexpr double kDefaultAthleteMaxSpeed = 15.0;
// The weight sum of a window below which it has no distribution.
constexpr double kMinFatigueWeightSum = 0.1;
constexpr int32_t kManualZones = 4;

}  // namespace

bool TqelSpeedInfo::Init() {
    return Init(Calculation()->FatigueTimeFrameInMS());
}

bool TqelSpeedInfo::Init(int32_t aFatigueTimeFrame) {
    TqelCalculation& calculation = *Calculation();
    if (IqelTransponderData* transponder = calculation.Transponder()) {
        FZoneType = static_cast<uint8_t>(calculation.SpeedZone());
        FAthleteMaxSpeed = transponder->GetAthleteMaxSpeed();
    } else {
        FZoneType = 0;
        FAthleteMaxSpeed = kDefaultAthleteMaxSpeed;
    }
    FFatigueTimeFrameInMS =
        aFatigueTimeFrame == -1 ? calculation.FatigueTimeFrameInMS() : aFatigueTimeFrame;
    qel::BinsFromZones(FBins, calculation.SpeedZones());
    FTotalTimeInMS = 0;
    FDistanceInMM = 0;
    FMaxSpeed = 0;
    FMaxFifaSpeed = 0;
    FPrevSpeedBin = -1;
    const int32_t duration = calculation.DurationInMS();
    FFatigueCount =
        FFatigueTimeFrameInMS > 0 && duration > 0 ? duration / FFatigueTimeFrameInMS + 1 : 0;
    for (RSpeedBin& bin : FBins) {
        bin.FatigueBin.assign(static_cast<size_t>(FFatigueCount), RFatigueBin{});
    }
    return true;
}

void TqelSpeedInfo::ProcessTimeFrame(int32_t aTimeInMS, bool aOnField,
                                     const RqelCalculatedPosition&, double aDistance, double aSpeed,
                                     double aFifaSpeed, double, double, double, bool,
                                     TqelPlayDirection, bool, bool aClockIsRunning) {
    if (!aOnField || !aClockIsRunning) {
        return;
    }
    FMaxSpeed = std::max(FMaxSpeed, aSpeed);
    FMaxFifaSpeed = std::max(FMaxFifaSpeed, aFifaSpeed);
    double value = aSpeed;
    if (FZoneType == 1) {
        if (FAthleteMaxSpeed == 0) {
            return;
        }
        value = aSpeed * 100 / FAthleteMaxSpeed;
    }
    const int32_t timeFrame = TimeFrameInMS();
    const int32_t bin = qel::AccountZoneStep(FBins, FPrevSpeedBin, value, timeFrame, aDistance);
    if (bin < 0) {
        return;
    }
    if (FFatigueTimeFrameInMS > 0 && FFatigueCount > 0) {
        // A step just before the start counts in window 0; one outside every window in none.
        const int64_t window =
            (static_cast<int64_t>(aTimeInMS) - StartTimeInMS()) / FFatigueTimeFrameInMS;
        if (window >= 0 && window < FFatigueCount) {
            RFatigueBin& fatigue = FBins[static_cast<size_t>(bin)].FatigueBin[window];
            fatigue.CumTimeInMS += timeFrame;
            fatigue.CumDistInMM += aDistance;
        }
    }
    FDistanceInMM += aDistance;
    FTotalTimeInMS += timeFrame;
}

RSpeedBin& TqelSpeedInfo::GetSpeedBin(int32_t anIndex) {
    return qel::BinAt(FBins, anIndex);
}

const RSpeedBin& TqelSpeedInfo::GetSpeedBin(int32_t anIndex) const {
    return qel::BinAt(FBins, anIndex);
}

double TqelSpeedInfo::Index() const {
    return qel::ZoneIndex(FBins);
}

int32_t TqelSpeedInfo::FatigueTimeInMS(int32_t anIndex) const {
    int32_t result = 0;
    if (HasWindow(anIndex)) {
        for (const RSpeedBin& bin : FBins) {
            result += bin.FatigueBin[static_cast<size_t>(anIndex)].CumTimeInMS;
        }
    }
    return result;
}

int32_t TqelSpeedInfo::FatigueDistanceInMM(int32_t anIndex) const {
    double result = 0;
    if (HasWindow(anIndex)) {
        for (const RSpeedBin& bin : FBins) {
            result += bin.FatigueBin[static_cast<size_t>(anIndex)].CumDistInMM;
        }
    }
    return qel::RoundToInt32(result);
}

double TqelSpeedInfo::FatigueIndex(int32_t anIndex) const {
    double result = 0;
    if (HasWindow(anIndex)) {
        for (const RSpeedBin& bin : FBins) {
            result +=
                bin.FatigueBin[static_cast<size_t>(anIndex)].CumTimeInMS / 60000.0 * bin.Weight;
        }
    }
    return result;
}

double TqelSpeedInfo::FatigueAvgDist(int32_t anIndex) const {
    if (!HasWindow(anIndex)) {
        return 0;
    }
    const int32_t time = FatigueTimeInMS(anIndex);
    if (time == 0) {
        return 0;
    }
    double length = FFatigueTimeFrameInMS;
    if (anIndex == FFatigueCount - 1) {
        length = static_cast<double>(Calculation()->DurationInMS()) -
                 static_cast<double>(anIndex) * FFatigueTimeFrameInMS;
    }
    return static_cast<double>(FatigueDistanceInMM(anIndex)) / time * length;
}

QString TqelSpeedInfo::FatigueDistrValue(int32_t anIndex) const {
    if (!HasWindow(anIndex)) {
        return {};
    }
    double sum = 0;
    for (const RSpeedBin& bin : FBins) {
        sum += bin.FatigueBin[static_cast<size_t>(anIndex)].CumTimeInMS * bin.Weight;
    }
    QStringList values;
    if (sum > kMinFatigueWeightSum) {
        for (const RSpeedBin& bin : FBins) {
            const double share =
                bin.FatigueBin[static_cast<size_t>(anIndex)].CumTimeInMS * 100 * bin.Weight / sum;
            values.append(qel::Format(QStringLiteral("%.2f"), {share}));
        }
    }
    return values.join(u';');
}

QString TqelSpeedInfo::Distr() const {
    return qel::TimeShares(FBins, FTotalTimeInMS);
}

QString TqelSpeedInfo::DistrValue() const {
    return DistrValue(qel::UserFormatSettings());
}

QString TqelSpeedInfo::DistrValue(const qel::FormatSettings& aFormatSettings) const {
    if (FTotalTimeInMS <= 0) {
        return {};
    }
    return qel::IndexShares(FBins, Index(), aFormatSettings);
}

double TqelSpeedInfo::TimeOnField() const {
    return FTotalTimeInMS / 86400000.0;
}

double TqelSpeedInfo::AvgSpeed() const {
    return FTotalTimeInMS == 0 ? 0 : FDistanceInMM / FTotalTimeInMS;
}

void TqelSpeedInfo::Add(const TqelSpeedInfo& aValue) {
    // Objects of other zone tables or ranges: only what both have.
    const size_t bins = std::min(FBins.size(), aValue.FBins.size());
    const size_t windows =
        static_cast<size_t>(std::max(0, std::min(FFatigueCount, aValue.FFatigueCount)));
    for (size_t i = 0; i < bins; ++i) {
        RSpeedBin& bin = FBins[i];
        const RSpeedBin& other = aValue.FBins[i];
        bin.CumTimeInMS += other.CumTimeInMS;
        bin.CumDistInMM += other.CumDistInMM;
        for (size_t w = 0; w < windows && w < bin.FatigueBin.size() && w < other.FatigueBin.size();
             ++w) {
            bin.FatigueBin[w].CumTimeInMS += other.FatigueBin[w].CumTimeInMS;
            bin.FatigueBin[w].CumDistInMM += other.FatigueBin[w].CumDistInMM;
        }
    }
    FTotalTimeInMS += aValue.FTotalTimeInMS;
    FDistanceInMM += aValue.FDistanceInMM;
}

void TqelSpeedInfo::AddManualData(int32_t aTotalTimeMS, int32_t aTotalDistanceMM,
                                  int32_t aDistZone_3MM, int32_t aDistZone_2MM,
                                  int32_t aDistZone_1MM, int32_t aDistZoneMaxMM) {
    FTotalTimeInMS = aTotalTimeMS;
    FDistanceInMM = aTotalDistanceMM;
    if (BinCount() < kManualZones) {
        throw Exception(QStringLiteral("The number of speedbins is less then 4"));
    }
    const int32_t distances[kManualZones] = {aDistZone_3MM, aDistZone_2MM, aDistZone_1MM,
                                             aDistZoneMaxMM};
    for (int32_t i = 0; i < kManualZones; ++i) {
        RSpeedBin& bin = FBins[static_cast<size_t>(BinCount() - kManualZones + i)];
        bin.CumDistInMM = distances[i];
        const double middle = (bin.MinSpeed + bin.MaxSpeed) / 2;
        // mm / (m/s) is ms; a zone around 0 m/s has no time to give.
        bin.CumTimeInMS = middle == 0 ? 0 : qel::RoundToInt32(distances[i] / middle);
    }
}

void TqelSpeedInfo::ReadFromStream(qel::BinaryReader& aStream, uint8_t) {
    FTotalTimeInMS = aStream.readI32();
    FMaxSpeed = aStream.readDouble();
    FMaxFifaSpeed = aStream.readDouble();
    FDistanceInMM = aStream.readDouble();
    FPrevSpeedBin = aStream.readI32();
    FZoneType = aStream.readU8();
    FAthleteMaxSpeed = aStream.readDouble();
    const int32_t binCount = aStream.readI32();
    const int32_t fatigueCount = aStream.readI32();
    aStream.checkCount(fatigueCount, qel::kFatigueBinBytes);
    aStream.checkCount(binCount, qel::kZoneBinMinBytes + fatigueCount * qel::kFatigueBinBytes);
    FFatigueCount = fatigueCount;
    FFatigueTimeFrameInMS = Calculation()->FatigueTimeFrameInMS();
    FBins.resize(static_cast<size_t>(binCount));
    for (RSpeedBin& bin : FBins) {
        qel::ReadBin(aStream, bin, fatigueCount);
    }
}

void TqelSpeedInfo::writeToStream(qel::BinaryWriter& aStream) const {
    aStream.writeI32(FTotalTimeInMS);
    aStream.writeDouble(FMaxSpeed);
    aStream.writeDouble(FMaxFifaSpeed);
    aStream.writeDouble(FDistanceInMM);
    aStream.writeI32(FPrevSpeedBin);
    aStream.writeU8(FZoneType);
    aStream.writeDouble(FAthleteMaxSpeed);
    aStream.writeI32(BinCount());
    aStream.writeI32(FFatigueCount);
    for (const RSpeedBin& bin : FBins) {
        qel::WriteBin(aStream, bin);
    }
}

namespace qel {

QString SpeedDistValue(const TqelCalculation* aCalculation, const FormatSettings& aFormatSettings) {
    if (!aCalculation) {
        return {};
    }
    std::lock_guard lock(aCalculation->ResultLock());
    const TqelSpeedInfo* speed = aCalculation->SpeedInfo();
    return speed ? speed->DistrValue(aFormatSettings) : QString();
}

}  // namespace qel
