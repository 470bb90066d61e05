#include "database/datasets/player_to_transponder.h"

#include "database/athletes.h"

void AssignPlayerToTransponderData(const TqeldbPlayer& aPlayer,
                                   IqeldbAthleteTransponder& aTransponder,
                                   TqelNameRepresenting aNameRepresenting) {
    aTransponder.setShirtNumber(aPlayer.ShirtNumber());
    aTransponder.setAthleteMaxAcceleration(aPlayer.MaxAcceleration());
    aTransponder.setAthleteName(aPlayer.AthleteName(aNameRepresenting));
    aTransponder.setAthleteMaxHeartbeat(aPlayer.MaxHeartbeat());
    aTransponder.setAthleteCategory(aPlayer.Category());
    aTransponder.setAthleteWeight(aPlayer.LastWeight());
    aTransponder.setAthleteMaxSpeed(aPlayer.MaxSpeed());
    aTransponder.setAthleteRecon(aPlayer.Recon());
    aTransponder.setAthleteColor(static_cast<uint32_t>(aPlayer.DefaultColor()));
    aTransponder.setAthleteHeight(aPlayer.LastHeight());
    aTransponder.setAthletePreferredArm(aPlayer.PreferredArm());
    if (!aPlayer.SystemID().isEmpty()) {
        aTransponder.setSystemID(aPlayer.SystemID());
    }
    if (aTransponder.PlayerRole() == 0 && aPlayer.Role() != 0) {
        aTransponder.setPlayerRole(aPlayer.Role());
        aTransponder.GiveRoleToMemberships(aPlayer.Role());
    }
}
