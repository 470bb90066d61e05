#include "analysis/framework/accel_info.h"

#include <algorithm>
#include <cmath>

#include "analysis/framework/calculation.h"
#include "foundation/model_interfaces.h"
#include "platform/binary_stream.h"

QEL_REGISTER_CALCULATION(TqelAccelInfo, AccelInfo, AccelInfo)

bool TqelAccelInfo::Init() {
    TqelCalculation& calculation = *Calculation();
    FSplitDecelBins = calculation.SplitAccelAndDecel();
    qel::BinsFromZones(FAccelBins, calculation.AccelerationZones());
    qel::BinsFromZones(FDecelBins, FSplitDecelBins ? calculation.DecelerationZones() : nullptr);
    FAccelTimeInMS = 0;
    FDecelTimeInMS = 0;
    FMaxAccel = 0;
    FMaxDecel = 0;
    FPrevAccelBin = -1;
    FPrevDecelBin = -1;
    return true;
}

void TqelAccelInfo::ProcessTimeFrame(int32_t, bool aOnField, const RqelCalculatedPosition&,
                                     double aDistance, double, double, double anAcceleration,
                                     double, double, bool, TqelPlayDirection, bool,
                                     bool aClockIsRunning) {
    if (!aOnField || !aClockIsRunning) {
        return;
    }
    const double a = anAcceleration;
    FMaxAccel = std::max(FMaxAccel, a);
    FMaxDecel = std::min(FMaxDecel, a);
    TqelCalculation& calculation = *Calculation();
    double value = std::fabs(a);
    if (calculation.AccelZone() == 1) {
        if (IqelTransponderData* transponder = calculation.Transponder()) {
            const double maxAccel = transponder->GetAthleteMaxAcceleration();
            const double maxDecel = transponder->GetAthleteMaxDeceleration();
            // Either maximum missing: absolute values, so nothing divides by zero.
            if (maxAccel != 0 && maxDecel != 0) {
                value = std::fabs(a) * 100 / (a >= 0 ? maxAccel : maxDecel);
            }
        }
    }
    const int32_t timeFrame = TimeFrameInMS();
    if (a >= 0 || !FSplitDecelBins) {
        if (qel::AccountZoneStep(FAccelBins, FPrevAccelBin, value, timeFrame, aDistance) >= 0) {
            FAccelTimeInMS += timeFrame;
        }
    } else if (qel::AccountZoneStep(FDecelBins, FPrevDecelBin, value, timeFrame, aDistance) >= 0) {
        FDecelTimeInMS += timeFrame;
    }
}

RAccelBin& TqelAccelInfo::GetAccelBin(int32_t anIndex) {
    return qel::BinAt(FAccelBins, anIndex);
}

RAccelBin& TqelAccelInfo::GetDecelBin(int32_t anIndex) {
    return qel::BinAt(FDecelBins, anIndex);
}

double TqelAccelInfo::AccelIndex() const {
    return qel::ZoneIndex(FAccelBins);
}

double TqelAccelInfo::DecelIndex() const {
    return qel::ZoneIndex(FDecelBins);
}

QString TqelAccelInfo::DistrAccel() const {
    return qel::TimeShares(FAccelBins, FAccelTimeInMS);
}

QString TqelAccelInfo::DistrDecel() const {
    return qel::TimeShares(FDecelBins, FDecelTimeInMS);
}

QString TqelAccelInfo::DistrValueAccel() const {
    return qel::IndexShares(FAccelBins, AccelIndex());
}

QString TqelAccelInfo::DistrValueDecel() const {
    return qel::IndexShares(FDecelBins, DecelIndex());
}

void TqelAccelInfo::ReadFromStream(qel::BinaryReader& aStream, uint8_t) {
    FSplitDecelBins = aStream.readBool();
    FAccelBins.resize(static_cast<size_t>(qel::ReadBinCount(aStream, qel::kZoneBinMinBytes)));
    for (RAccelBin& bin : FAccelBins) {
        qel::ReadBin(aStream, bin);
    }
    FPrevAccelBin = aStream.readI32();
    FAccelTimeInMS = aStream.readI32();
    FDecelTimeInMS = aStream.readI32();
    FMaxAccel = aStream.readDouble();
    FDecelBins.resize(static_cast<size_t>(qel::ReadBinCount(aStream, qel::kZoneBinMinBytes)));
    for (RAccelBin& bin : FDecelBins) {
        qel::ReadBin(aStream, bin);
    }
    FPrevDecelBin = aStream.readI32();
    FMaxDecel = aStream.readDouble();
}

void TqelAccelInfo::writeToStream(qel::BinaryWriter& aStream) const {
    aStream.writeBool(FSplitDecelBins);
    aStream.writeI32(AccelBinCount());
    for (const RAccelBin& bin : FAccelBins) {
        qel::WriteBin(aStream, bin);
    }
    aStream.writeI32(FPrevAccelBin);
    aStream.writeI32(FAccelTimeInMS);
    aStream.writeI32(FDecelTimeInMS);
    aStream.writeDouble(FMaxAccel);
    aStream.writeI32(DecelBinCount());
    for (const RAccelBin& bin : FDecelBins) {
        qel::WriteBin(aStream, bin);
    }
    aStream.writeI32(FPrevDecelBin);
    aStream.writeDouble(FMaxDecel);
}
