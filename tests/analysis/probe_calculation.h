#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QList>
#include <algorithm>
#include <array>
#include <memory>
#include <stdexcept>

#include "analysis/framework/calculation.h"
#include "platform/binary_stream.h"

namespace qel::test {

// What one step handed to an analysis object.
struct ProbeStep {
    int32_t TimeInMS = 0;
    bool OnField = false;
    RqelCalculatedPosition Pos;
    double Distance = 0;
    double Speed = 0;
    double FifaSpeed = 0;
    double Acceleration = 0;
    double Heartbeat = 0;
    double Impact = 0;
    bool TeamHasPossession = false;
    TqelPlayDirection PlayDirection = pldNone;
    bool BallAlive = false;
    bool ClockIsRunning = false;
};

// An analysis object that records its steps and sums them. Its block is the step count and the
// distance sum. RaiseAt makes the step of that time raise (a std::exception unless RaiseOther).
class ProbeCalculation : public TqelCalculationVaruza {
public:
    using TqelCalculationVaruza::TqelCalculationVaruza;

    QList<ProbeStep> Steps;
    bool Record = true;
    int32_t StepCount = 0;
    double DistanceSum = 0;
    int32_t RaiseAt = -1;
    bool RaiseOther = false;
    int32_t InitCount = 0;
    int32_t FinalizeCount = 0;

    void ProcessTimeFrame(int32_t aTimeInMS, bool aOnField, const RqelCalculatedPosition& aPos,
                          double aDistance, double aSpeed, double aFifaSpeed, double anAcceleration,
                          double aHeartbeat, double anImpact, bool aTeamHasPossession,
                          TqelPlayDirection aPlayDirection, bool aBallAlive,
                          bool aClockIsRunning) override {
        if (aTimeInMS == RaiseAt) {
            if (RaiseOther) {
                throw 42;
            }
            throw std::runtime_error("probe fault");
        }
        ++StepCount;
        DistanceSum += aDistance + aSpeed + anAcceleration + aHeartbeat + anImpact;
        if (Record) {
            Steps.append({aTimeInMS, aOnField, aPos, aDistance, aSpeed, aFifaSpeed, anAcceleration,
                          aHeartbeat, anImpact, aTeamHasPossession, aPlayDirection, aBallAlive,
                          aClockIsRunning});
        }
    }
    void Finalize() override { ++FinalizeCount; }
    bool Init() override {
        ++InitCount;
        StepCount = 0;
        DistanceSum = 0;
        Steps.clear();
        return true;
    }
    void ReadFromStream(qel::BinaryReader& aStream, uint8_t) override {
        StepCount = aStream.readI32();
        DistanceSum = aStream.readDouble();
    }
    void writeToStream(qel::BinaryWriter& aStream) const override {
        aStream.writeI32(StepCount);
        aStream.writeDouble(DistanceSum);
    }
};

// The calculation's block as writeToStream writes it.
inline QByteArray WrittenBlock(TqelCalculation& aCalculation) {
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    qel::BinaryWriter writer(buffer);
    aCalculation.writeToStream(writer);
    return data;
}

// One analysis object's block as its writeToStream writes it.
inline QByteArray WrittenObjectBlock(const TqelCalculationVaruza& anObject) {
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    qel::BinaryWriter writer(buffer);
    anObject.writeToStream(writer);
    return data;
}

// Reads aData into anObject as a file of aVersion holds it; False when bytes were left over.
inline bool ReadObjectBlock(TqelCalculationVaruza& anObject, QByteArray aData, uint8_t aVersion) {
    QBuffer buffer(&aData);
    buffer.open(QIODevice::ReadOnly);
    qel::BinaryReader reader(buffer);
    anObject.ReadFromStream(reader, aVersion);
    return reader.atEnd();
}

inline ProbeCalculation* Probe(const TqelCalculation& aCalculation, qel::CalcSlot aSlot) {
    return dynamic_cast<ProbeCalculation*>(aCalculation.Analysis(aSlot));
}

// Probes in the given slots while the object lives.
class ProbeClasses {
public:
    explicit ProbeClasses(std::initializer_list<qel::CalcSlot> aSlots) {
        for (qel::CalcSlot slot : aSlots) {
            FScopes.push_back(std::make_unique<qel::ScopedCalculationClass>(
                slot, &qel::MakeCalculation<ProbeCalculation>));
        }
    }

private:
    std::vector<std::unique_ptr<qel::ScopedCalculationClass>> FScopes;
};

// No class in every slot but aKept while the object lives, so that a test sees only its probes
// and not the analyses that registered themselves.
class AbsentClasses {
public:
    explicit AbsentClasses(std::initializer_list<qel::CalcSlot> aKept) {
        for (int i = 0; i < qel::CalcSlotCount; ++i) {
            const auto slot = static_cast<qel::CalcSlot>(i);
            if (std::find(aKept.begin(), aKept.end(), slot) == aKept.end()) {
                FScopes.push_back(std::make_unique<qel::ScopedCalculationClass>(slot, nullptr));
            }
        }
    }

private:
    std::vector<std::unique_ptr<qel::ScopedCalculationClass>> FScopes;
};

}  // namespace qel::test
