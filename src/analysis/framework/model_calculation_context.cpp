#include "analysis/framework/model_calculation_context.h"

#include "analysis/intensity/reference_snapshot.h"
#include "database/agility/agility_definitions.h"
#include "model/dataset/dataset.h"
#include "model/field/field.h"
#include "model/transponder/transponder_data.h"

namespace qel {

ModelCalculationContext::ModelCalculationContext(IqelTransponderData* aTransponder) {
    TqelTransponderData* transponder =
        aTransponder ? aTransponder->GetTransponderVaruza() : nullptr;
    FDataset = transponder ? transponder->Dataset() : nullptr;
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
    return 0;
}

CalculationGroup ModelCalculationContext::Group(int32_t, int32_t) const {
    return {};
}

TqelPlayDirection ModelCalculationContext::PartPlayDirection(int32_t, int32_t, int32_t) const {
    return pldNone;
}

bool ModelCalculationContext::HasClockData() const {
    return false;
}

bool ModelCalculationContext::ClockIsRunning(int32_t) const {
    return true;
}

GameSpeedReference ModelCalculationContext::GameSpeedReferences(int32_t aPlayerID) const {
    return LookUpGameSpeedReference(FDataset, aPlayerID);
}

}  // namespace qel
