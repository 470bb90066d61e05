#include "analysis/framework/heart_info.h"

#include <algorithm>
#include <cmath>

#include "analysis/framework/calculation.h"
#include "analysis/framework/calculation_context.h"
#include "foundation/model_interfaces.h"
#include "platform/binary_stream.h"
#include "platform/numbers.h"

QEL_REGISTER_CALCULATION(TqelHeartInfo, HeartInfo, HeartInfo)

namespace {

// An athlete maximum at or below this is no real value; the default maximum is used then.
constexpr int32_t kMinAthleteMaxHeartbeat = 30;
constexpr int32_t kDefaultMaxHeartbeat = 200;
// The steady maximum: 30 s within 10 bpm.
constexpr int32_t kMaxHBIntervalSec = 30;
constexpr int32_t kMaxHBPeakDiff = 10;
// Rates at or below this are no heart rate.
constexpr int32_t kMinValidRate = 30;
constexpr int32_t kSecondMS = 1000;
constexpr int32_t kMinuteMS = 60000;
// The first file version that stores the high-intensity time.
constexpr uint8_t kLastVersionWithoutHITime = 122;

}  // namespace

bool TqelHeartInfo::Init() {
    TqelCalculation& calculation = *Calculation();
    qel::BinsFromZones(FBins, calculation.HeartRateZone() == 0
                                  ? calculation.HeartbeatZonesAbsolute()
                                  : calculation.HeartbeatZonesRelative());
    FHITimeInMS = 0;
    FAverage = 0;
    FMinHB = 0;
    FMaxHB = 0;
    FTotalTimeInMS = 0;
    FPrevHeartbeatBin = -1;
    return true;
}

void TqelHeartInfo::ProcessTimeFrame(int32_t, bool, const RqelCalculatedPosition&, double aDistance,
                                     double, double, double, double aHeartbeat, double, bool,
                                     TqelPlayDirection, bool, bool) {
    if (aHeartbeat <= 0) {
        FPrevHeartbeatBin = -1;
        return;
    }
    const int32_t hr = qel::RoundToInt32(aHeartbeat);
    if (FMinHB == 0 || FMinHB >= hr) {
        FMinHB = hr;
    }
    FMaxHB = std::max(FMaxHB, hr);
    TqelCalculation& calculation = *Calculation();
    int32_t athleteMax = 0;
    if (IqelTransponderData* transponder = calculation.Transponder()) {
        athleteMax = transponder->GetAthleteMaxHeartbeat();
    }
    const int32_t max = athleteMax > kMinAthleteMaxHeartbeat ? athleteMax : kDefaultMaxHeartbeat;
    const int32_t percent = qel::RoundToInt32(aHeartbeat * 100 / max);
    const int32_t timeFrame = TimeFrameInMS();
    if (percent >= calculation.HIHBPerc()) {
        FHITimeInMS += timeFrame;
    }
    const double value = calculation.HeartRateZone() == 1 ? percent : hr;
    if (qel::AccountZoneStep(FBins, FPrevHeartbeatBin, value, timeFrame, aDistance) >= 0) {
        FTotalTimeInMS += timeFrame;
    }
}

int32_t TqelHeartInfo::RateAt(IqelTransponderData& aTransponder, int64_t aTimeInMS) const {
    const double rate = aTransponder.calcHeartbeat(static_cast<int32_t>(aTimeInMS), false);
    // A value that is no heart rate counts as none, so Finalize never raises on it.
    if (!std::isfinite(rate) || std::fabs(rate) > 1000000) {
        return 0;
    }
    return qel::RoundToInt32(rate);
}

void TqelHeartInfo::Finalize() {
    TqelCalculation& calculation = *Calculation();
    IqelTransponderData* transponder = calculation.Transponder();
    if (!transponder) {
        return;
    }
    const int32_t start = StartTimeInMS();
    const int32_t end = EndTimeInMS();
    FAverage = transponder->calcAverageHeartbeat(start, end);
    const int32_t searchEnd = static_cast<int32_t>(
        std::min<int64_t>(static_cast<int64_t>(end) + calculation.HRTimeAfterEndInMS(), INT32_MAX));
    int32_t maxTime = 0;
    int32_t maxValue = 0;
    if (calculation.Context().calcMaxHeartbeat(*transponder, start, searchEnd, kMaxHBIntervalSec,
                                               kMaxHBPeakDiff, maxTime, maxValue)) {
        FMaxHB = maxValue;
        FMaxHBTime = maxTime;
    }
    FindRecovery(*transponder);
}

void TqelHeartInfo::FindRecovery(IqelTransponderData& aTransponder) {
    TqelCalculation& calculation = *Calculation();
    const int64_t end = EndTimeInMS();
    const int64_t from = end - calculation.HRTimeBeforeEndInMS();
    const int64_t to = end + calculation.HRTimeAfterEndInMS();
    const int64_t duration = calculation.Context().DurationInMS();
    const int32_t steps = calculation.HROnly1Min() ? 60 : 120;

    // The largest drop from a rate in the window around the end to one within the steps after.
    FHB0Time = static_cast<int32_t>(from);
    int32_t bestDrop = 0;
    int32_t startRate = 0;
    int32_t afterRate = 0;
    for (int64_t p = from; p < to && p <= duration; p += kSecondMS) {
        const int32_t r0 = RateAt(aTransponder, p);
        if (r0 <= kMinValidRate) {
            continue;
        }
        for (int32_t i = 1; i <= steps; ++i) {
            const int64_t t = p + static_cast<int64_t>(i) * kSecondMS;
            const int32_t ri = RateAt(aTransponder, t);
            if (ri <= kMinValidRate) {
                continue;
            }
            if (r0 - ri > bestDrop) {
                bestDrop = r0 - ri;
                startRate = r0;
                FHB0Time = static_cast<int32_t>(p);
                afterRate = ri;
                FHB2Time = static_cast<int32_t>(t);
            }
        }
    }
    FHBEndPart = startRate;
    if (startRate == 0) {
        FHBEnd1Min = 0;
        FHR1Min = -1;
        FHBEnd2Min = 0;
        FHR2Min = -1;
        return;
    }
    if (!calculation.HROnly1Min()) {
        // The lowest rate of the first minute; no lower one leaves it at the start.
        int32_t lowest = startRate;
        FHB1Time = FHB0Time;
        for (int64_t p = FHB0Time; p < FHB0Time + static_cast<int64_t>(kMinuteMS) && p <= duration;
             p += kSecondMS) {
            const int32_t r = RateAt(aTransponder, p);
            if (r > kMinValidRate && r < lowest) {
                lowest = r;
                FHB1Time = static_cast<int32_t>(p);
            }
        }
        FHBEnd1Min = lowest;
        FHR1Min = qel::RoundToInt32((startRate - FHBEnd1Min) * 100.0 / startRate);
        FHBEnd2Min = afterRate;
        FHR2Min = qel::RoundToInt32((startRate - afterRate) * 100.0 / startRate);
    } else {
        FHBEnd1Min = afterRate;
        FHB1Time = FHB2Time;
        FHR1Min = qel::RoundToInt32((startRate - afterRate) * 100.0 / startRate);
        FHBEnd2Min = 0;
        FHR2Min = -1;
    }
}

RHeartbeatBin& TqelHeartInfo::GetBin(int32_t anIndex) {
    return qel::BinAt(FBins, anIndex);
}

const RHeartbeatBin& TqelHeartInfo::GetBin(int32_t anIndex) const {
    return qel::BinAt(FBins, anIndex);
}

double TqelHeartInfo::Index() const {
    double result = 0;
    for (const RHeartbeatBin& bin : FBins) {
        result += bin.CumTimeInMS * bin.Weight / 60000;
    }
    return result;
}

QString TqelHeartInfo::Distr() const {
    return qel::TimeShares(FBins, FTotalTimeInMS);
}

QString TqelHeartInfo::DistrValue() const {
    return qel::IndexShares(FBins, Index());
}

void TqelHeartInfo::ReadFromStream(qel::BinaryReader& aStream, uint8_t aVersion) {
    FTotalTimeInMS = aStream.readI32();
    FAverage = aStream.readDouble();
    for (int32_t* field : {&FHBEndPart, &FHBEnd1Min, &FHBEnd2Min, &FHB0Time, &FHB1Time, &FHB2Time,
                           &FHR1Min, &FHR2Min, &FMinHB, &FMaxHB, &FMaxHBTime}) {
        *field = aStream.readI32();
    }
    FBins.resize(static_cast<size_t>(qel::ReadBinCount(aStream, qel::kZoneBinMinBytes)));
    for (RHeartbeatBin& bin : FBins) {
        qel::ReadBin(aStream, bin);
    }
    FHITimeInMS = aVersion > kLastVersionWithoutHITime ? aStream.readI32() : 0;
}

void TqelHeartInfo::writeToStream(qel::BinaryWriter& aStream) const {
    aStream.writeI32(FTotalTimeInMS);
    aStream.writeDouble(FAverage);
    for (int32_t field : {FHBEndPart, FHBEnd1Min, FHBEnd2Min, FHB0Time, FHB1Time, FHB2Time, FHR1Min,
                          FHR2Min, FMinHB, FMaxHB, FMaxHBTime}) {
        aStream.writeI32(field);
    }
    aStream.writeI32(BinCount());
    for (const RHeartbeatBin& bin : FBins) {
        qel::WriteBin(aStream, bin);
    }
    aStream.writeI32(FHITimeInMS);
}
