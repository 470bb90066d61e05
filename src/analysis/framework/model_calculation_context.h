#pragma once

#include "analysis/framework/calculation_context.h"

class TqelDataset;
class TqelTransponderData;

namespace qel {

// The calculation context over the data model: the transponder's dataset, field, groups and
// games. Ball state and the game clock answer the step's defaults (no possession, ball alive,
// no clock data) until the model holds them.
//
// Holds the dataset and the transponder without owning them: the dataset outlives its
// transponders' calculations. The group answers take the dataset's model lock, so the stepping
// thread holds no transponder or calculation lock when it asks them (or holds the model lock
// already, as the live update does).
class ModelCalculationContext : public CalculationContext {
public:
    // The dataset of aTransponder's object, if any.
    explicit ModelCalculationContext(IqelTransponderData* aTransponder);

    bool HasDataset() const override { return FDataset != nullptr; }
    TqelSports SportType() const override;
    int32_t DBDtsID() const override;
    uint8_t DataSource() const override;
    int32_t RecordingType() const override;
    int32_t DurationInMS() const override;
    int32_t MaxSpeed() const override;
    double MaxPower() const override;
    TqeldbAgilityDefinitions* AgilityDefs() const override;
    RqelFieldBox MeasureBox() const override;
    RqelFieldBox FieldBox() const override;
    int32_t PositionToZone(double aPosXinM, double aPosYinM,
                           TqelPlayDirection aPlayDirection) const override;
    TBallPossesion BallPossesion(int32_t aTimeInMS) const override;
    int32_t BallAliveExtern(int32_t aTimeInMS) const override;
    int32_t BallPossTeamExtern(int32_t aTimeInMS) const override;
    int32_t GroupCount() const override;
    CalculationGroup Group(int32_t anIndex, int32_t aTimeInMS) const override;
    TqelPlayDirection PartPlayDirection(int32_t aGameID, int32_t aPartID,
                                        int32_t aTPid) const override;
    bool HasClockData() const override;
    bool ClockIsRunning(int32_t aTimeInMS) const override;
    // From the snapshot installed for the dataset while there is one (any thread); otherwise
    // loaded from the database on the main thread, none on other threads.
    GameSpeedReference GameSpeedReferences(int32_t aPlayerID) const override;

private:
    TqelDataset* FDataset = nullptr;
    TqelTransponderData* FTransponder = nullptr;
};

}  // namespace qel
