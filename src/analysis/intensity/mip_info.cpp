#include "analysis/intensity/mip_info.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <functional>

#include "analysis/framework/calculation.h"
#include "analysis/framework/calculation_context.h"
#include "foundation/geometry.h"
#include "foundation/model_interfaces.h"
#include "foundation/settings/zones.h"
#include "platform/numbers.h"

QEL_REGISTER_CALCULATION(TqelMIPInfo, MIPInfo, GameSpeedInfo)

namespace {

// The run's buckets grow in steps of this many.
constexpr int32_t kBucketStep = 1000;
// A longer run than a day starts with a day's buckets and grows as it goes: a damaged start or
// end never reserves more than it steps through.
constexpr int64_t kMaxInitialBuckets = 24 * 3600 * 10 + 1;
constexpr int32_t kBucketMS = 100;
// Buckets of a whole second carry the heart-rate weight.
constexpr int32_t kBucketsPerSecond = 10;

// The three columns the windows sum, buckets 0 .. FLastIndex - 1 (the last bucket never enters
// a window).
struct WindowColumns {
    std::vector<double> Distance;
    std::vector<double> HighIntensityDistance;
    std::vector<double> Heartbeat;
};

double OrderedSum(const double* aValues, int32_t aCount) {
    double sum = 0;
    for (int32_t k = 0; k < aCount; ++k) {
        sum += aValues[k];
    }
    return sum;
}

// Whole numbers whose magnitudes add up to less than 2^53, such as the heart-rate weights: no
// sum of them rounds.
bool WholeAndSmall(const std::vector<double>& aValues) {
    double total = 0;
    for (const double value : aValues) {
        if (value != std::trunc(value)) {
            return false;
        }
        total += std::fabs(value);
    }
    return total < 9007199254740992.0;
}

// A running sum whose own error stays near one rounding of its value however many terms it
// takes (Neumaier's compensation).
class CompensatedSum {
public:
    void Add(double aValue) {
        const double total = FSum + aValue;
        FCompensation += std::fabs(FSum) >= std::fabs(aValue) ? (FSum - total) + aValue
                                                              : (aValue - total) + FSum;
        FSum = total;
    }
    double Value() const { return FSum + FCompensation; }

private:
    double FSum = 0;
    double FCompensation = 0;
};

}  // namespace

namespace qel {

namespace {

// Running sums of the windows with a bound on how far each lies from the window's ordered sum,
// and the range the largest ordered sum must lie in.
struct WindowSweep {
    std::vector<double> Running;
    std::vector<double> Bound;
    double Lowest = -INFINITY;
    double Highest = -INFINITY;
};

WindowSweep Sweep(const double* aValues, size_t aSize, int32_t aCount, int32_t aLastStart) {
    // A window's ordered sum lies within (n - 1) u of its magnitude from the exact sum; the
    // compensated running sums add their own small error. Twice the first plus an absolute share
    // of the second bounds |running - ordered|.
    WindowSweep sweep;
    sweep.Running.resize(static_cast<size_t>(aLastStart) + 1);
    sweep.Bound.resize(sweep.Running.size());
    double total = 0;
    for (size_t k = 0; k < aSize; ++k) {
        total += std::fabs(aValues[k]);
    }
    const double operations = 2.0 * (static_cast<double>(aLastStart) + aCount) + 8;
    const double absoluteSlack =
        4 * operations * DBL_EPSILON * DBL_EPSILON * total + 4 * DBL_TRUE_MIN * aCount;
    const double relativeSlack = (aCount + 4.0) * DBL_EPSILON;
    CompensatedSum sum;
    CompensatedSum magnitude;
    for (int32_t k = 0; k < aCount; ++k) {
        sum.Add(aValues[k]);
        magnitude.Add(std::fabs(aValues[k]));
    }
    for (int32_t s = 0; s <= aLastStart; ++s) {
        sweep.Running[s] = sum.Value();
        sweep.Bound[s] = relativeSlack * std::fabs(magnitude.Value()) + absoluteSlack;
        sweep.Lowest = std::max(sweep.Lowest, sweep.Running[s] - sweep.Bound[s]);
        sweep.Highest = std::max(sweep.Highest, sweep.Running[s] + sweep.Bound[s]);
        if (s < aLastStart) {
            sum.Add(aValues[s + aCount]);
            sum.Add(-aValues[s]);
            magnitude.Add(std::fabs(aValues[s + aCount]));
            magnitude.Add(-std::fabs(aValues[s]));
        }
    }
    return sweep;
}

bool HasWindows(const std::vector<double>& aValues, int32_t aCount, int32_t aLastStart) {
    return aLastStart >= 0 && aCount > 0 &&
           static_cast<int64_t>(aLastStart) + aCount <= static_cast<int64_t>(aValues.size());
}

}  // namespace

double LargestWindowSum(const std::vector<double>& aValues, int32_t aCount, int32_t aLastStart) {
    if (!HasWindows(aValues, aCount, aLastStart)) {
        return 0;
    }
    const double* values = aValues.data();
    if (WholeAndSmall(aValues)) {
        // Every sum, in any order, is exact: the running sum is the plain loop's to the bit.
        double sum = OrderedSum(values, aCount);
        double best = sum;
        for (int32_t s = 0; s < aLastStart; ++s) {
            sum += values[s + aCount] - values[s];
            best = std::max(best, sum);
        }
        return best;
    }
    const WindowSweep sweep = Sweep(values, aValues.size(), aCount, aLastStart);
    // Every start whose ordered sum may reach the best is summed as a plain loop sums it.
    bool found = false;
    double best = 0;
    for (int32_t s = 0; s <= aLastStart; ++s) {
        if (sweep.Running[s] + sweep.Bound[s] < sweep.Lowest) {
            continue;
        }
        const double exact = OrderedSum(values + s, aCount);
        if (!found || exact > best) {
            best = exact;
            found = true;
        }
    }
    return best;
}

double LargestWindowValue(const std::vector<double>& aValues, int32_t aCount, int32_t aLastStart,
                          const std::function<double(double)>& aStored) {
    if (!HasWindows(aValues, aCount, aLastStart)) {
        return aStored(0);
    }
    if (!WholeAndSmall(aValues)) {
        // Many windows of nearly one sum (an athlete long in one heart-rate zone) need no exact
        // sum when the whole range of the largest one stores alike.
        const WindowSweep sweep = Sweep(aValues.data(), aValues.size(), aCount, aLastStart);
        const double low = aStored(sweep.Lowest);
        // Zero is left to the exact sum: -0 and +0 compare equal.
        if (low == aStored(sweep.Highest) && low != 0) {
            return low;
        }
    }
    return aStored(LargestWindowSum(aValues, aCount, aLastStart));
}

}  // namespace qel

TqelMIPInfo::TqelMIPInfo(TqelCalculation& aCalculation)
    : TqelCalculationVaruza(aCalculation),
      FGameSpeedResultDistance(std::make_unique<TqelGameSpeedValues>()),
      FGameSpeedResultHeartbeat(std::make_unique<TqelGameSpeedValues>()),
      FGameSpeedResultHID(std::make_unique<TqelGameSpeedValues>()) {}

TqelMIPInfo::~TqelMIPInfo() = default;

void TqelMIPInfo::Prepare(double aSprintMinHIDSpeed) {
    const int64_t start = StartTimeInMS();
    const int64_t end = EndTimeInMS();
    if (start < end) {
        FArrayCapacity =
            static_cast<int32_t>(std::min((end - start) / kBucketMS + 1, kMaxInitialBuckets));
    } else if (FArrayCapacity == 0) {
        FArrayCapacity = 1;
    }
    FLastPos.Clear();
    FSprintMinHIDSpeed = aSprintMinHIDSpeed;
    FHeartbeatZones = Calculation()->HeartbeatZonesRelative();
    FGameSpeedDataArray.assign(static_cast<size_t>(FArrayCapacity), TqelGameSpeedData{});
    FLastIndex = -1;
}

bool TqelMIPInfo::Init() {
    Prepare(Calculation()->SprintMinHIDSpeed());
    IqelTransponderData* transponder = Calculation()->Transponder();
    const int32_t playerID = transponder ? transponder->GetPlayerID() : 0;
    if (playerID != 0) {
        if (const qel::GameSpeedReference references =
                Calculation()->Context().GameSpeedReferences(playerID)) {
            for (int32_t i = 0; i < kMIPWindowCount; ++i) {
                FGameSpeedResultDistance->SetReferenceValue(i, (*references)[i]);
            }
            FGameSpeedResultDistance->setReferenceValuesLoaded(true);
        }
    }
    return true;
}

bool TqelMIPInfo::Init(const TqelMIPInfo& aMIP) {
    Prepare(aMIP.FSprintMinHIDSpeed);
    if (&aMIP != this) {
        const TqelGameSpeedValues& source = *aMIP.FGameSpeedResultDistance;
        for (int32_t i = 0; i < kMIPWindowCount; ++i) {
            FGameSpeedResultDistance->SetReferenceValue(i, source.GetReferenceValue(i));
        }
        FGameSpeedResultDistance->setReferenceValuesLoaded(source.ReferenceValuesLoaded());
    }
    return true;
}

void TqelMIPInfo::Reach(int64_t aBucket) {
    if (aBucket < FArrayCapacity) {
        return;
    }
    const int64_t steps = (aBucket - FArrayCapacity) / kBucketStep + 1;
    const int64_t capacity = FArrayCapacity + steps * kBucketStep;
    if (static_cast<size_t>(capacity) > FGameSpeedDataArray.capacity()) {
        FGameSpeedDataArray.reserve(
            std::max<size_t>(static_cast<size_t>(capacity), 2 * FGameSpeedDataArray.capacity()));
    }
    FGameSpeedDataArray.resize(static_cast<size_t>(capacity));
    FArrayCapacity = static_cast<int32_t>(capacity);
}

void TqelMIPInfo::ProcessTimeFrame(int32_t aTimeInMS, bool, const RqelCalculatedPosition& aPos,
                                   double, double aSpeed, double, double, double aHeartbeat, double,
                                   bool, TqelPlayDirection, bool, bool) {
    const int64_t bucketIndex = (static_cast<int64_t>(aTimeInMS) - StartTimeInMS()) / kBucketMS;
    if (bucketIndex < 0) {
        return;
    }
    Reach(bucketIndex);
    FLastIndex = static_cast<int32_t>(bucketIndex);
    TqelGameSpeedData& bucket = FGameSpeedDataArray[static_cast<size_t>(bucketIndex)];
    bucket.Speed = aSpeed;
    if (FLastPos.OnField && aPos.OnField) {
        bucket.Distance += Distance2D(FLastPos, aPos);
    }
    FLastPos = aPos;
    if (bucketIndex != 0 && bucketIndex % kBucketsPerSecond == 0) {
        bucket.Heartbeat = 0;
        IqelTransponderData* transponder = Calculation()->Transponder();
        const int32_t maxHeartbeat = transponder ? transponder->GetAthleteMaxHeartbeat() : 0;
        // Without a maximum no zone can be told.
        if (FHeartbeatZones && maxHeartbeat > 0) {
            const double percent = aHeartbeat / maxHeartbeat * 100;
            for (int32_t z = FHeartbeatZones->Count() - 1; z >= 0; --z) {
                const TqelZone& zone = FHeartbeatZones->GetZone(z);
                if (zone.Min < percent) {
                    bucket.Heartbeat = zone.Weight;
                    break;
                }
            }
        }
    }
}

namespace {

WindowColumns Columns(const std::vector<TqelGameSpeedData>& aBuckets, int32_t aLastIndex,
                      double aSprintMinHIDSpeed) {
    WindowColumns columns;
    const size_t count = aLastIndex > 0 ? static_cast<size_t>(aLastIndex) : 0;
    columns.Distance.resize(count);
    columns.HighIntensityDistance.resize(count);
    columns.Heartbeat.resize(count);
    for (size_t k = 0; k < count; ++k) {
        const TqelGameSpeedData& bucket = aBuckets[k];
        columns.Distance[k] = bucket.Distance;
        // Adding 0 to a sum of non-negative distances keeps its bits.
        columns.HighIntensityDistance[k] = bucket.Speed > aSprintMinHIDSpeed ? bucket.Distance : 0;
        columns.Heartbeat[k] = bucket.Heartbeat;
    }
    return columns;
}

void StoreWindow(int32_t anIndex, const WindowColumns& aColumns, int32_t aLastIndex,
                 TqelGameSpeedValues& aDistance, TqelGameSpeedValues& aHID,
                 TqelGameSpeedValues& aHeartbeat) {
    const int32_t windowMS = kMIPWindowLengthsMS[anIndex];
    const int32_t count = windowMS / kBucketMS;
    const int32_t lastStart = aLastIndex - count > 0 ? aLastIndex - count : -1;
    const double minutes = windowMS / 60000.0;
    const auto perMinute = [minutes](double aSum) { return qel::RoundTo2Decimals(aSum / minutes); };
    const auto weightPerMinute = [minutes](double aSum) {
        return qel::RoundTo2Decimals(aSum / 60 / minutes);
    };
    aDistance.SetValues(anIndex,
                        qel::LargestWindowValue(aColumns.Distance, count, lastStart, perMinute));
    aHID.SetValues(anIndex, qel::LargestWindowValue(aColumns.HighIntensityDistance, count,
                                                    lastStart, perMinute));
    aHeartbeat.SetValues(
        anIndex, qel::LargestWindowValue(aColumns.Heartbeat, count, lastStart, weightPerMinute));
}

}  // namespace

void TqelMIPInfo::SetPeekItensityPerMinute(int32_t anIndex) {
    if (anIndex < 0 || anIndex >= kMIPWindowCount) {
        return;
    }
    StoreWindow(anIndex, Columns(FGameSpeedDataArray, FLastIndex, FSprintMinHIDSpeed), FLastIndex,
                *FGameSpeedResultDistance, *FGameSpeedResultHID, *FGameSpeedResultHeartbeat);
}

void TqelMIPInfo::Finalize() {
    const WindowColumns columns = Columns(FGameSpeedDataArray, FLastIndex, FSprintMinHIDSpeed);
    for (int32_t i = 0; i < kMIPWindowCount; ++i) {
        FGameSpeedResultDistance->SetValues(i, 0);
        FGameSpeedResultHID->SetValues(i, 0);
        FGameSpeedResultHeartbeat->SetValues(i, 0);
        StoreWindow(i, columns, FLastIndex, *FGameSpeedResultDistance, *FGameSpeedResultHID,
                    *FGameSpeedResultHeartbeat);
    }
    FGameSpeedResultDistance->Finalize();
    FGameSpeedResultHeartbeat->Finalize();
    FGameSpeedResultHID->Finalize();
}

const TqelGameSpeedData* TqelMIPInfo::Bucket(int32_t anIndex) const {
    if (anIndex < 0 || anIndex >= FArrayCapacity) {
        return nullptr;
    }
    return &FGameSpeedDataArray[static_cast<size_t>(anIndex)];
}

void TqelMIPInfo::ReadFromStream(qel::BinaryReader& aStream, uint8_t aVersion) {
    if (aVersion < 150) {
        return;
    }
    FGameSpeedResultDistance->ReadFromStream(aStream, aVersion);
    FGameSpeedResultHeartbeat->ReadFromStream(aStream, aVersion);
    FGameSpeedResultHID->ReadFromStream(aStream, aVersion);
}

void TqelMIPInfo::writeToStream(qel::BinaryWriter& aStream) const {
    FGameSpeedResultDistance->writeToStream(aStream);
    FGameSpeedResultHeartbeat->writeToStream(aStream);
    FGameSpeedResultHID->writeToStream(aStream);
}
