#pragma once

#include <QString>
#include <cstdint>
#include <vector>

// The live values of one transponder at one moment, filled by the data model's live-value
// computation and read by the recorder, the web interface, the partner feeds and the main
// window. A plain value: threads hand each other copies, never a shared instance. Positions in
// m; a coordinate of 99999.999 m marks a transponder that is not on the field.
class TqeldbPosition {
public:
    TqeldbPosition(int32_t aDtsID, int32_t aTPID) : FDtsID(aDtsID), FTpID(aTPID) {}

#define QEL_POSITION_VALUE(aType, aName) \
public:                                  \
    aType aName() const {                \
        return F##aName;                 \
    }                                    \
    void set##aName(aType aValue) {      \
        F##aName = aValue;               \
    }                                    \
                                         \
private:                                 \
    aType F##aName{};

#define QEL_POSITION_TEXT(aName)             \
public:                                      \
    const QString& aName() const {           \
        return F##aName;                     \
    }                                        \
    void set##aName(const QString& aValue) { \
        F##aName = aValue;                   \
    }                                        \
                                             \
private:                                     \
    QString F##aName;

// Counts per category of the actions, accelerations and decelerations.
#define QEL_POSITION_ARRAY(aName)                         \
public:                                                   \
    const std::vector<int32_t>& aName() const {           \
        return F##aName;                                  \
    }                                                     \
    std::vector<int32_t>& aName() {                       \
        return F##aName;                                  \
    }                                                     \
    void set##aName(const std::vector<int32_t>& aValue) { \
        F##aName = aValue;                                \
    }                                                     \
                                                          \
private:                                                  \
    std::vector<int32_t> F##aName;

    QEL_POSITION_VALUE(int32_t, DtsID)
    QEL_POSITION_VALUE(int32_t, TpID)
    QEL_POSITION_VALUE(int32_t, TransponderRole)
    QEL_POSITION_VALUE(bool, Active)
    QEL_POSITION_VALUE(uint16_t, AntennaID)
    QEL_POSITION_TEXT(VestID)
    QEL_POSITION_VALUE(int32_t, PlrID)
    QEL_POSITION_TEXT(AthleteName)
    QEL_POSITION_VALUE(int32_t, AthleteColor)
    QEL_POSITION_VALUE(int32_t, ShirtNumber)
    QEL_POSITION_VALUE(int32_t, TimestampMS)
    QEL_POSITION_VALUE(int32_t, TeamID)
    QEL_POSITION_VALUE(int32_t, PlayerRole)
    QEL_POSITION_VALUE(double, MaxSpeed)
    QEL_POSITION_VALUE(double, MaxAccel)
    QEL_POSITION_VALUE(double, MaxDecel)
    QEL_POSITION_VALUE(int32_t, MaxHB)
    QEL_POSITION_VALUE(double, x_pos)
    QEL_POSITION_VALUE(double, y_pos)
    QEL_POSITION_VALUE(double, z_pos)
    QEL_POSITION_VALUE(double, TrackPosInM)
    QEL_POSITION_VALUE(double, Speed)
    QEL_POSITION_VALUE(double, Acceleration)
    QEL_POSITION_VALUE(double, LanePosInM)
    QEL_POSITION_VALUE(double, Heartbeat)
    QEL_POSITION_VALUE(double, DistanceInM)
    QEL_POSITION_VALUE(double, DistDeltaInM)
    QEL_POSITION_VALUE(double, HIDinM)
    QEL_POSITION_VALUE(int32_t, Actions)
    QEL_POSITION_ARRAY(ActionArray)
    QEL_POSITION_VALUE(int32_t, Accelerations)
    QEL_POSITION_ARRAY(AccelArray)
    QEL_POSITION_VALUE(int32_t, Decelerations)
    QEL_POSITION_ARRAY(DecelArray)
    QEL_POSITION_VALUE(double, SpeedIndex)
    QEL_POSITION_VALUE(double, AccelIndex)
    QEL_POSITION_VALUE(double, DecelIndex)
    QEL_POSITION_VALUE(double, HRIndex)
    QEL_POSITION_VALUE(int32_t, HeartbeatHITimeMS)
    QEL_POSITION_VALUE(int32_t, FatigueIndex)
    QEL_POSITION_VALUE(int32_t, FitnessIndex)
    QEL_POSITION_VALUE(int32_t, ExertionIndex)
    QEL_POSITION_VALUE(int32_t, NumberIcehockeyShifts)
    QEL_POSITION_VALUE(int32_t, AvgTOIShiftInMS)

#undef QEL_POSITION_VALUE
#undef QEL_POSITION_TEXT
#undef QEL_POSITION_ARRAY

public:
    // False when either coordinate, in whole mm, is the off-field mark 99999999.
    bool OnField() const;
};
