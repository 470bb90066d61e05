#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

#include "measurement/control/antenna_data.h"
#include "measurement/control/antenna_list_interfaces.h"
#include "measurement/control/measurement_control_interface.h"
#include "platform/date_time.h"

// Records what the antenna list tells the measurement control: "activate 5", "deactivate 5".
class FakeMeasurementControl final : public IqelMeasurementControl {
public:
    void ActivateTransponder(uint16_t anAntennaID) override {
        Calls.append(QStringLiteral("activate %1").arg(anAntennaID));
    }
    void DeactivateTransponder(uint16_t anAntennaID) override {
        Calls.append(QStringLiteral("deactivate %1").arg(anAntennaID));
    }

    QStringList Calls;
};

// Records the follow notifications as "start <camera index>:<antenna id>" / "stop ...".
class FakeAntennaListOwner final : public IqelAntennaListCallback {
public:
    void CameraStartedFollowing(int32_t aCameraIndex, TqelAntennaData* anAntennaData) override {
        Events.append(
            QStringLiteral("start %1:%2").arg(aCameraIndex).arg(anAntennaData->AntennaID()));
    }
    void CameraStoppedFollowing(int32_t aCameraIndex, TqelAntennaData* anAntennaData) override {
        Events.append(
            QStringLiteral("stop %1:%2").arg(aCameraIndex).arg(anAntennaData->AntennaID()));
    }

    QStringList Events;
};

namespace qel::test {

// Noon of a fixed day: far from midnight unless a test moves the clock there.
inline TDateTime Noon() {
    return EncodeDateTime(2026, 12, 11, 12, 0, 0, 0);
}

inline int32_t NowMsOfDay() {
    return static_cast<int32_t>(MilliSecondOfTheDay(Now()));
}

// A valid position of the antenna at the current time of day.
inline RqelPositionRec Sample(uint16_t anAntennaID, int32_t aX = 1000, int32_t aY = 2000,
                              TqelDataStatus aDataState = ldsOK) {
    RqelPositionRec position = RqelPositionRec::Create();
    position.AntennaID = anAntennaID;
    position.TimeStampInMS = NowMsOfDay();
    position.XinMM = aX;
    position.YinMM = aY;
    position.DataState = aDataState;
    position.Valid = true;
    return position;
}

}  // namespace qel::test
