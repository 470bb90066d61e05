#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "measurement/control/antenna_list.h"
#include "measurement/control/measurement_control.h"
#include "measurement/drivers/measurement_system.h"

namespace qel::test {

// A driver that records what the control asks of it and reports what a test tells it to.
class FakeMeasurementSystem : public TqelMeasurementSystem {
public:
    ~FakeMeasurementSystem() override {
        if (Destroyed) {
            ++*Destroyed;
        }
    }

    void ActivateTransponder(uint16_t anAntennaID) override { Activated.push_back(anAntennaID); }
    void DeactivateTransponder(uint16_t anAntennaID) override {
        Deactivated.push_back(anAntennaID);
    }
    void BaseStationsSetNormValues() override { ++NormValueCalls; }
    void Stop() override { Calls << QStringLiteral("Stop"); }
    TqelStartupSequence GetStartUpSequenceInternal() override { return State; }
    void SetTransponderIni(const QString& aText) override { TransponderIni = aText; }
    void StartDataLogging() override { Calls << QStringLiteral("StartDataLogging"); }
    void Initialize() override { Calls << QStringLiteral("Initialize"); }
    void StopDataLogging() override { Calls << QStringLiteral("StopDataLogging"); }
    void StopMeasurement() override { Calls << QStringLiteral("StopMeasurement"); }
    int32_t MeasurementFrequency() override { return 0; }
    int32_t ReceivingError() override { return 0; }
    int32_t PacketLengthDifferent() override { return 0; }
    int32_t MissedPackets() override { return 0; }
    int32_t NotWholePackedReaded() override { return 0; }

    // As the driver's socket event hands a decoded record on.
    void Deliver(const RqelPositionRec& aPosition) {
        CallBack()->positionReceived(this, aPosition);
    }

    TqelStartupSequence State = startNone;
    std::vector<uint16_t> Activated;
    std::vector<uint16_t> Deactivated;
    QStringList Calls;
    QString TransponderIni;
    int NormValueCalls = 0;
    // Counts the fake's destruction when set.
    int* Destroyed = nullptr;
};

// The main window as the control sees it: keeps the antenna list and records every call.
class FakeControlOwner : public IqelMeasurementControlCallBack {
public:
    void log(int32_t aSystemIndex, const QString& aText) override {
        Logs.emplace_back(aSystemIndex, aText);
    }
    void status(int32_t aSystemIndex, int32_t, const QString& aText) override {
        Statuses.emplace_back(aSystemIndex, aText);
    }
    void error(int32_t aSystemIndex, int32_t, const QString& aText) override {
        Errors.emplace_back(aSystemIndex, aText);
    }
    void stateChanged(int32_t aSystemIndex, TqelStartupSequence aState) override {
        States.emplace_back(aSystemIndex, aState);
    }
    void event(TqelMeasurementSystem* aSender, uint8_t anEventCode, int32_t) override {
        Events.emplace_back(aSender, anEventCode);
    }
    void positionReceived(IqelMeasurementControl*, const RqelPositionRec& aPosition) override {
        Positions.push_back(aPosition);
    }
    TqelAntennaList* getAntennaList() override { return &Antennas; }

    // The texts logged under that index.
    QStringList LogsOf(int32_t aSystemIndex) const {
        QStringList texts;
        for (const auto& [index, text] : Logs) {
            if (index == aSystemIndex) {
                texts << text;
            }
        }
        return texts;
    }

    TqelAntennaList Antennas{nullptr};
    std::vector<std::pair<int32_t, QString>> Logs;
    std::vector<std::pair<int32_t, QString>> Statuses;
    std::vector<std::pair<int32_t, QString>> Errors;
    std::vector<std::pair<int32_t, TqelStartupSequence>> States;
    std::vector<std::pair<TqelMeasurementSystem*, uint8_t>> Events;
    std::vector<RqelPositionRec> Positions;
};

}  // namespace qel::test
