#include "foundation/settings/game_speed_values.h"

#include <algorithm>

#include "platform/exception.h"

namespace {

constexpr int32_t kWindowCount = 10;
// The first dataset file version that holds the block.
constexpr uint8_t kFirstVersionWithBlock = 150;

}  // namespace

TqelGameSpeedValues::TqelGameSpeedValues()
    : FValues(kWindowCount, 0.0), FReferenceValues(kWindowCount, 0.0) {}

void TqelGameSpeedValues::checkIndex(int32_t anIndex) const {
    if (anIndex < 0 || anIndex >= Count()) {
        throw EArgumentOutOfRangeException(QStringLiteral("Game speed window %1 is outside 0 to %2")
                                               .arg(anIndex)
                                               .arg(Count() - 1));
    }
}

double TqelGameSpeedValues::GetValues(int32_t anIndex) const {
    checkIndex(anIndex);
    return FValues[anIndex];
}

void TqelGameSpeedValues::SetValues(int32_t anIndex, double aValue) {
    checkIndex(anIndex);
    FValues[anIndex] = aValue;
}

double TqelGameSpeedValues::GetReferenceValue(int32_t anIndex) const {
    checkIndex(anIndex);
    return FReferenceValues[anIndex];
}

void TqelGameSpeedValues::SetReferenceValue(int32_t anIndex, double aValue) {
    checkIndex(anIndex);
    FReferenceValues[anIndex] = aValue;
}

double TqelGameSpeedValues::meanPercentage(int32_t aFirst, int32_t aLast) const {
    // A block read from a file may hold fewer windows.
    const int32_t last = std::min(aLast, Count() - 1);
    double sum = 0;
    int32_t windows = 0;
    for (int32_t i = aFirst; i <= last; ++i) {
        if (FValues[i] != 0 && FReferenceValues[i] != 0) {
            sum += FValues[i] / FReferenceValues[i] * 100;
            ++windows;
        }
    }
    return windows == 0 ? 0 : sum / windows;
}

void TqelGameSpeedValues::Finalize() {
    FPeakOutput = meanPercentage(0, 4);
    FStamina = meanPercentage(5, 9);
    FRecalculateNeeded = false;
}

void TqelGameSpeedValues::writeToStream(qel::BinaryWriter& aStream) const {
    aStream.writeDouble(FPeakOutput);
    aStream.writeDouble(FStamina);
    aStream.writeI32(Count());
    for (double value : FValues) {
        aStream.writeDouble(value);
    }
    for (double value : FReferenceValues) {
        aStream.writeDouble(value);
    }
    aStream.writeBool(FRecalculateNeeded);
}

void TqelGameSpeedValues::ReadFromStream(qel::BinaryReader& aStream, uint8_t aVersion) {
    if (aVersion >= kFirstVersionWithBlock) {
        const double peakOutput = aStream.readDouble();
        const double stamina = aStream.readDouble();
        const int32_t count = aStream.readI32();
        // Both arrays and the flag byte must be there before anything is sized from the count.
        aStream.checkCount(count, 2 * sizeof(double));
        aStream.checkCount(int64_t{count} * 2 * sizeof(double) + 1, 1);
        QList<double> values(count);
        QList<double> referenceValues(count);
        for (double& value : values) {
            value = aStream.readDouble();
        }
        for (double& value : referenceValues) {
            value = aStream.readDouble();
        }
        FRecalculateNeeded = aStream.readBool();
        FPeakOutput = peakOutput;
        FStamina = stamina;
        FValues = std::move(values);
        FReferenceValues = std::move(referenceValues);
    }
    double sum = 0;
    for (double value : FReferenceValues) {
        sum += value;
    }
    FReferenceValuesLoaded = sum > 1;
}
