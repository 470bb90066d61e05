#pragma once

#include <QList>
#include <cstdint>

#include "platform/binary_stream.h"

// Measured values and reference values of the windows of the most-intense-period analysis,
// with the mean percentages of the early and the late windows.
class TqelGameSpeedValues {
public:
    // Ten windows, all 0; RecalculateNeeded until Finalize.
    TqelGameSpeedValues();

    int32_t Count() const { return static_cast<int32_t>(FValues.size()); }

    // The index must lie within 0 .. Count()-1, else EArgumentOutOfRangeException.
    double GetValues(int32_t anIndex) const;
    void SetValues(int32_t anIndex, double aValue);
    double GetReferenceValue(int32_t anIndex) const;
    void SetReferenceValue(int32_t anIndex, double aValue);

    double PeakOutput() const { return FPeakOutput; }
    void setPeakOutput(double aValue) { FPeakOutput = aValue; }
    double Stamina() const { return FStamina; }
    void setStamina(double aValue) { FStamina = aValue; }
    bool RecalculateNeeded() const { return FRecalculateNeeded; }
    void setRecalculateNeeded(bool aValue) { FRecalculateNeeded = aValue; }
    bool ReferenceValuesLoaded() const { return FReferenceValuesLoaded; }
    void setReferenceValuesLoaded(bool aValue) { FReferenceValuesLoaded = aValue; }

    // PeakOutput over windows 0 to 4, Stamina over windows 5 to 9; clears RecalculateNeeded.
    void Finalize();

    // PeakOutput, Stamina (doubles), the count n (int32), n values, n reference values, and
    // RecalculateNeeded (one byte).
    void writeToStream(qel::BinaryWriter& aStream) const;
    // Reads the block from dataset file version 150 on; older files hold none. A stream that
    // ends inside the block or a count it cannot hold raises EReadError and changes nothing.
    // Then ReferenceValuesLoaded tells whether the reference values sum to more than 1.
    void ReadFromStream(qel::BinaryReader& aStream, uint8_t aVersion);

private:
    void checkIndex(int32_t anIndex) const;
    // Mean of value / reference × 100 over the windows where both are non-zero, 0 for none.
    double meanPercentage(int32_t aFirst, int32_t aLast) const;

    QList<double> FValues;
    QList<double> FReferenceValues;
    double FPeakOutput = 0;
    double FStamina = 0;
    bool FRecalculateNeeded = true;
    bool FReferenceValuesLoaded = false;
};
