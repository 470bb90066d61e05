#include "analysis/load/impact_info.h"

#include <algorithm>
#include <cmath>

#include "analysis/framework/calculation.h"
#include "platform/binary_stream.h"

QEL_REGISTER_CALCULATION(TqelImpactInfo, Impacts, Impacts)

namespace {

constexpr qint64 kImpactBytes = 4 + 4 + 5 * 8 + 4;
// A cycle counts when it swung by more than this and turned below kMaxTurningImpact (g).
constexpr double kMinAmplitude = 1;
constexpr double kMaxTurningImpact = 2;

}  // namespace

TqelImpactInfo::TqelImpactInfo(TqelCalculation& aCalculation)
    : TqelCalculationVaruza(aCalculation), FImpacts(1) {}

bool TqelImpactInfo::Init() {
    FImpactCount = 0;
    FLastImpact = 0;
    FLastDifferent = 0;
    // Cleared, not freed: a re-run records into the same storage.
    FImpacts.assign(1, RqelImpact{});
    const qel::ImpactCategoryList* categories = Calculation()->ImpactCategories();
    FImpactCatInfo.Init(categories ? *categories : qel::ImpactCategoryList());
    return true;
}

void TqelImpactInfo::StartCycle(int32_t aTimeInMS, double aSpeed, double aMaxImpact,
                                double aMinImpact) {
    FImpactCatInfo.ImpactCatTime.fill(0);
    RqelImpact& slot = Current();
    slot = RqelImpact{};
    slot.StartTimeInMS = aTimeInMS;
    slot.MinSpeed = aSpeed;
    slot.MaxSpeed = aSpeed;
    slot.MaxImpact = aMaxImpact;
    slot.MinImpact = aMinImpact;
}

void TqelImpactInfo::ProcessTimeFrame(int32_t aTimeInMS, bool, const RqelCalculatedPosition&,
                                      double, double aSpeed, double, double, double,
                                      double anImpact, bool, TqelPlayDirection, bool, bool) {
    const double delta = anImpact - FLastImpact;
    FImpactCatInfo.AddTime(anImpact, Calculation()->TimeFrame());
    if (delta > 0) {
        RqelImpact& cycle = Current();
        if (FLastDifferent > 0) {
            cycle.MaxImpact = std::max(cycle.MaxImpact, anImpact);
            cycle.MinSpeed = std::min(cycle.MinSpeed, aSpeed);
            cycle.MaxSpeed = std::max(cycle.MaxSpeed, aSpeed);
        } else if (cycle.StartTimeInMS < 0) {
            StartCycle(aTimeInMS, aSpeed, anImpact, anImpact);
        } else {
            // A turning point at the previous step closes the cycle in progress.
            if (std::fabs(cycle.MaxImpact - cycle.MinImpact) > kMinAmplitude &&
                FLastImpact < kMaxTurningImpact) {
                cycle.Category = FImpactCatInfo.Category();
                FImpacts.emplace_back();
                ++FImpactCount;
            }
            StartCycle(aTimeInMS, aSpeed, anImpact, FLastImpact);
        }
    } else {
        RqelImpact& cycle = Current();
        cycle.MinImpact = std::min(cycle.MinImpact, anImpact);
        cycle.MinSpeed = std::min(cycle.MinSpeed, aSpeed);
        cycle.MaxSpeed = std::max(cycle.MaxSpeed, aSpeed);
    }
    Current().EndTimeInMS = aTimeInMS;
    FLastDifferent = delta;
    FLastImpact = anImpact;
}

const RqelImpact* TqelImpactInfo::GetImpact(int32_t anIndex) const {
    if (anIndex < 0 || anIndex >= FImpactCount) {
        return nullptr;
    }
    return &FImpacts[static_cast<size_t>(anIndex)];
}

int32_t TqelImpactInfo::CountStartingWithin(int32_t aStartTimeInMS, int32_t anEndTimeInMS) const {
    const auto recorded = FImpacts.begin() + FImpactCount;
    return static_cast<int32_t>(
        std::count_if(FImpacts.begin(), recorded, [&](const RqelImpact& anImpact) {
            return aStartTimeInMS <= anImpact.StartTimeInMS &&
                   anImpact.StartTimeInMS <= anEndTimeInMS;
        }));
}

void TqelImpactInfo::ReadFromStream(qel::BinaryReader& aStream, uint8_t) {
    const int32_t count = aStream.readI32();
    if (count < 0) {
        throw EReadError(QStringLiteral("Stream Error: negative impact count %1").arg(count));
    }
    aStream.checkCount(count, kImpactBytes);
    std::vector<RqelImpact> impacts;
    impacts.reserve(static_cast<size_t>(count) + 1);
    for (int32_t i = 0; i < count; ++i) {
        RqelImpact impact;
        impact.StartTimeInMS = aStream.readI32();
        impact.EndTimeInMS = aStream.readI32();
        impact.MaxImpact = aStream.readDouble();
        impact.MaxSpeed = aStream.readDouble();
        impact.MinImpact = aStream.readDouble();
        impact.MinSpeed = aStream.readDouble();
        impact.DistanceInMM = aStream.readDouble();
        impact.Category = aStream.readI32();
        impacts.push_back(impact);
    }
    // A working slot after the records, so that further steps have a cycle to fill.
    impacts.emplace_back();
    FImpacts = std::move(impacts);
    FImpactCount = count;
}

void TqelImpactInfo::writeToStream(qel::BinaryWriter& aStream) const {
    aStream.writeI32(FImpactCount);
    for (int32_t i = 0; i < FImpactCount; ++i) {
        const RqelImpact& impact = FImpacts[static_cast<size_t>(i)];
        aStream.writeI32(impact.StartTimeInMS);
        aStream.writeI32(impact.EndTimeInMS);
        aStream.writeDouble(impact.MaxImpact);
        aStream.writeDouble(impact.MaxSpeed);
        aStream.writeDouble(impact.MinImpact);
        aStream.writeDouble(impact.MinSpeed);
        aStream.writeDouble(impact.DistanceInMM);
        aStream.writeI32(impact.Category);
    }
}
