#pragma once

#include <QString>
#include <cstdint>

#include "foundation/text_utils.h"

class TqeldbPlayer;

// What the database layer sets on a tracked transponder when it knows its athlete. Each setter
// stores a differing value and tells the transponder's dataset.
class IqeldbAthleteTransponder {
public:
    virtual ~IqeldbAthleteTransponder() = default;

    virtual void setShirtNumber(int32_t aValue) = 0;
    virtual void setAthleteMaxAcceleration(double aValue) = 0;
    virtual void setAthleteName(const QString& aValue) = 0;
    virtual void setAthleteMaxHeartbeat(int32_t aValue) = 0;
    virtual void setAthleteCategory(const QString& aValue) = 0;
    virtual void setAthleteWeight(double aValue) = 0;
    virtual void setAthleteMaxSpeed(double aValue) = 0;
    virtual void setAthleteRecon(double aValue) = 0;
    virtual void setAthleteColor(uint32_t aValue) = 0;
    virtual void setAthleteHeight(double aValue) = 0;
    virtual void setAthletePreferredArm(int32_t aValue) = 0;
    // Also into the transponder's database row.
    virtual void setSystemID(const QString& aValue) = 0;
    virtual int32_t PlayerRole() const = 0;
    virtual void setPlayerRole(int32_t aValue) = 0;
    // The transponder's group memberships without a role take aRole.
    virtual void GiveRoleToMemberships(int32_t aRole) = 0;
};

// Copies an athlete's values onto the transponder (not the maximum deceleration). A transponder
// without a player role takes the athlete's.
void AssignPlayerToTransponderData(const TqeldbPlayer& aPlayer,
                                   IqeldbAthleteTransponder& aTransponder,
                                   TqelNameRepresenting aNameRepresenting);
