#pragma once

#include <QString>
#include <cstdint>
#include <functional>

#include "foundation/model_interfaces.h"
#include "model/transponder/metabolic_power.h"

namespace qel::test {

// A transponder whose values are scripted per time. Defaults: position (t / 1000 m, 1 m), on the
// field where X ≥ 0, speed 2 m/s (3 m/s over a 950 ms frame), acceleration 0.5 m/s², impact
// 1.5 g, heart rate 120 bpm,
// weight 75 kg; metabolic power as the model computes it, with the field's power factor 1.05. Calls
// are not counted: scripts may record what they need.
class ScriptedTransponder : public IqelTransponderData {
public:
    int32_t TPid = 7;
    double Recon = 1.25;
    double Weight = 75;
    double PowerFactor = qel::kDefaultPowerFactor;
    std::function<RqelCalculatedPosition(int32_t)> Position = [](int32_t t) {
        RqelCalculatedPosition pos;
        pos.XinM = t / 1000.0;
        pos.YinM = 1;
        return pos;
    };
    std::function<bool(const RqelCalculatedPosition&)> OnField =
        [](const RqelCalculatedPosition& aPos) { return aPos.XinM >= 0; };
    // (time, speed frame interval): 0 is the dataset's frame.
    std::function<double(int32_t, int32_t)> Speed = [](int32_t, int32_t aFrame) {
        return aFrame == 950 ? 3.0 : 2.0;
    };
    std::function<double(int32_t)> Acceleration = [](int32_t) { return 0.5; };
    std::function<double(int32_t)> LowPassGrav = [](int32_t) { return 1.5; };
    std::function<double(int32_t)> Heartbeat = [](int32_t) { return 120.0; };
    double AverageHeartbeat = 0;
    double MaxSpeed = 9;
    double MaxAcceleration = 4;
    double MaxDeceleration = 4;
    int32_t MaxHeartbeat = 200;
    int32_t PlayerID = 0;

    TqelTransponderData* GetTransponderVaruza() override { return nullptr; }
    int32_t GetTPid() override { return TPid; }
    RqelCalculatedPosition calcPosition(int32_t aTimeStampInMS) override {
        return Position(aTimeStampInMS);
    }
    uint32_t GetAthleteColor() override { return 0; }
    QString ToString() override { return QStringLiteral("scripted"); }
    QString ToString(TqelTransponderToStringType) override { return ToString(); }
    double calcSpeed(int32_t aTimeStampInMS, bool& aIsValid, int32_t aSpeedFrameInterval) override {
        aIsValid = true;
        return Speed(aTimeStampInMS, aSpeedFrameInterval);
    }
    double calcSpeed(int32_t aTimeStampInMS, int32_t aSpeedFrameInterval) override {
        return Speed(aTimeStampInMS, aSpeedFrameInterval);
    }
    double calcAcceleration(int32_t aTimeStampInMS) override {
        return Acceleration(aTimeStampInMS);
    }
    double calcImpact(int32_t aTimeStampInMS) override { return LowPassGrav(aTimeStampInMS); }
    double calcLowPassGrav(int32_t aTimeStampInMS) override { return LowPassGrav(aTimeStampInMS); }
    double calcHeartbeat(int32_t aTimeStampInMS, bool) override {
        return Heartbeat(aTimeStampInMS);
    }
    double calcAverageHeartbeat(int32_t, int32_t) override { return AverageHeartbeat; }
    double calcDistance(int32_t, int32_t) override { return 0; }
    bool isOnField(int32_t aTimeStampInMS) override { return OnField(Position(aTimeStampInMS)); }
    bool isOnField(const RqelCalculatedPosition& aPos) override { return OnField(aPos); }
    double calcEnergy(double aSpeed, double anAccel, double anECCRF) override {
        return qel::MetabolicPower(aSpeed, anAccel, anECCRF, PowerFactor);
    }
    double GetAthleteWeight() override { return Weight; }
    double GetAthleteMaxSpeed() override { return MaxSpeed; }
    double GetAthleteMaxAcceleration() override { return MaxAcceleration; }
    double GetAthleteMaxDeceleration() override { return MaxDeceleration; }
    double GetAthleteRecon() override { return Recon; }
    int32_t GetAthleteMaxHeartbeat() override { return MaxHeartbeat; }
    int32_t GetPlayerID() override { return PlayerID; }
};

}  // namespace qel::test
