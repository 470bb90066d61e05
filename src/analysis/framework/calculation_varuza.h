#pragma once

#include <QString>
#include <cstdint>

#include "foundation/position_records.h"
#include "foundation/shared_enums.h"

class TqelCalculation;

namespace qel {
class BinaryReader;
class BinaryWriter;
}  // namespace qel

// Base of every analysis object of a calculation: it takes the step values the calculation
// gathers, one step at a time, and keeps its own results.
//
// Threads: stepped, initialised, finalised and read from a stream by the calculation's stepping
// thread under the calculation's ResultLock(), which other threads take to copy its results.
class TqelCalculationVaruza {
public:
    explicit TqelCalculationVaruza(TqelCalculation& aCalculation);
    TqelCalculationVaruza(const TqelCalculationVaruza&) = delete;
    TqelCalculationVaruza& operator=(const TqelCalculationVaruza&) = delete;
    virtual ~TqelCalculationVaruza() = default;

    // One step. Speeds in m/s, distance in mm, acceleration in m/s², heart rate in bpm, impact
    // in g; every value is finite.
    virtual void ProcessTimeFrame(int32_t aTimeInMS, bool aOnField,
                                  const RqelCalculatedPosition& aPos, double aDistance,
                                  double aSpeed, double aFifaSpeed, double aAcceleration,
                                  double aHeartbeat, double aImpact, bool aTeamHasPossession,
                                  TqelPlayDirection aPlayDirection, bool aBallAlive,
                                  bool aClockIsRunning) = 0;
    // After the last step of a complete run.
    virtual void Finalize() {}
    // Prepares a new run; False when the object cannot run.
    virtual bool Init() { return true; }
    virtual void ReadFromStream(qel::BinaryReader& aStream, uint8_t aVersion) = 0;
    virtual void writeToStream(qel::BinaryWriter& aStream) const = 0;

    // The owner; never null for an object made by a calculation.
    TqelCalculation* Calculation() const { return FCalculation; }
    int32_t TransponderID() const;
    int32_t StartTimeInMS() const;
    int32_t EndTimeInMS() const;
    int32_t PartID() const;
    QString GameName() const;
    QString PartName() const;
    QString TeamName() const;
    int32_t TimeFrameInMS() const;
    // The owner's fatigue window when this object was made.
    int32_t FatigueTimeFrame() const { return FFatigueTimeFrame; }

    // Exceptions this object raised in steps since its last Init or read; only the first of
    // them is reported.
    int32_t StepFaultCount() const { return FStepFaultCount; }
    // True for the first fault.
    bool CountStepFault() { return ++FStepFaultCount == 1; }
    void ResetStepFaults() { FStepFaultCount = 0; }

private:
    TqelCalculation* FCalculation;
    int32_t FFatigueTimeFrame;
    int32_t FStepFaultCount = 0;
};
