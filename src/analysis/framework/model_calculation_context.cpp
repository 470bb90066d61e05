#include "analysis/framework/model_calculation_context.h"

#include "analysis/intensity/reference_snapshot.h"
#include "database/agility/agility_definitions.h"
#include "model/blocks/time_on_ice.h"
#include "model/dataset/dataset.h"
#include "model/field/field.h"
#include "model/groups/game.h"
#include "model/groups/group.h"
#include "model/transponder/transponder_data.h"

namespace qel {

ModelCalculationContext::ModelCalculationContext(IqelTransponderData* aTransponder) {
    FTransponder = aTransponder ? aTransponder->GetTransponderVaruza() : nullptr;
    FDataset = FTransponder ? FTransponder->Dataset() : nullptr;
}

TqelSports ModelCalculationContext::SportType() const {
    return FDataset ? FDataset->SportType() : sportGeneric;
}

int32_t ModelCalculationContext::DBDtsID() const {
    return FDataset ? static_cast<int32_t>(FDataset->DBDtsID()) : 0;
}

uint8_t ModelCalculationContext::DataSource() const {
    return FDataset ? FDataset->DataSource() : 1;
}

int32_t ModelCalculationContext::RecordingType() const {
    return FDataset ? FDataset->RecordingType() : 0;
}

int32_t ModelCalculationContext::DurationInMS() const {
    return FDataset ? FDataset->DurationInMS() : 0;
}

int32_t ModelCalculationContext::MaxSpeed() const {
    return FDataset ? FDataset->MaxSpeed() : MaxSpeedOfSport(sportGeneric);
}

double ModelCalculationContext::MaxPower() const {
    return FDataset ? FDataset->MaxPower() : ClientConfig()->MaxPower();
}

TqeldbAgilityDefinitions* ModelCalculationContext::AgilityDefs() const {
    TqeldbAgilityDefinitions* defs = FDataset ? FDataset->AgilityDefs() : nullptr;
    return defs && defs->Count() > 0 ? defs : nullptr;
}

RqelFieldBox ModelCalculationContext::MeasureBox() const {
    if (FDataset && FDataset->Field()) {
        return FDataset->Field()->MeasureBox();
    }
    return RqelFieldBox{{-55000, 37000}, {55000, -37000}};
}

RqelFieldBox ModelCalculationContext::FieldBox() const {
    if (FDataset && FDataset->Field()) {
        return FDataset->Field()->FieldBox();
    }
    return {};
}

int32_t ModelCalculationContext::PositionToZone(double aPosXinM, double aPosYinM,
                                                TqelPlayDirection aPlayDirection) const {
    if (FDataset && FDataset->Field()) {
        return FDataset->Field()->PositionToZone(aPosXinM, aPosYinM, aPlayDirection);
    }
    return 0;
}

TBallPossesion ModelCalculationContext::BallPossesion(int32_t) const {
    return bpNone;
}

int32_t ModelCalculationContext::BallAliveExtern(int32_t) const {
    return 1;
}

int32_t ModelCalculationContext::BallPossTeamExtern(int32_t) const {
    return 0;
}

int32_t ModelCalculationContext::GroupCount() const {
    return FDataset ? FTransponder->GroupCount() : 0;
}

CalculationGroup ModelCalculationContext::Group(int32_t anIndex, int32_t aTimeInMS) const {
    CalculationGroup result;
    if (!FDataset) {
        return result;
    }
    std::lock_guard lock(FDataset->ModelLock());
    // The main thread may have taken the transponder out of a group since GroupCount.
    if (anIndex < 0 || anIndex >= FTransponder->GroupCount()) {
        return result;
    }
    TqelGroup* group = FTransponder->getGroup(anIndex);
    const TqelGame* game = group->Game();
    result.ID = group->ID();
    if (!game) {
        return result;
    }
    result.HasGame = true;
    result.GameBeginTimeInMS = game->BeginTimeInMS();
    result.GameEndTimeInMS = game->EndTimeInMS();
    result.IsHomeTeam = game->TeamCount() > 0 && game->GetTeam(0) == group;
    result.PlayDirection = group->CurrentPlayDirection(aTimeInMS);
    return result;
}

TqelPlayDirection ModelCalculationContext::PartPlayDirection(int32_t aGameID, int32_t aPartID,
                                                             int32_t aTPid) const {
    if (!FDataset) {
        return pldNone;
    }
    std::lock_guard lock(FDataset->ModelLock());
    const TqelGame* game = FDataset->getGameByID(aGameID);
    const TqelGamePart* part = game ? game->FindPartByID(aPartID) : nullptr;
    TqelGroup* team = part ? game->GetTeamByMember(aTPid) : nullptr;
    return team ? team->CurrentPlayDirection(part->BeginTimeInMS() + 1) : pldNone;
}

bool ModelCalculationContext::HasClockData() const {
    return FDataset && FDataset->TimeOnIce() && FDataset->TimeOnIce()->HasClockData();
}

bool ModelCalculationContext::ClockIsRunning(int32_t aTimeInMS) const {
    // Without clock samples nothing is set aside: the clock counts as running.
    if (!HasClockData()) {
        return true;
    }
    return FDataset->TimeOnIce()->IsRunning(aTimeInMS);
}

GameSpeedReference ModelCalculationContext::GameSpeedReferences(int32_t aPlayerID) const {
    return LookUpGameSpeedReference(FDataset, aPlayerID);
}

}  // namespace qel
