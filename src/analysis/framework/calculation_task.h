#pragma once

#include <cstdint>

// Base of every time-stepped calculation: an athlete's analyses and a team's shape. The ids
// say which dataset, game, part and team the run belongs to.
class TqelCalculationTask {
public:
    TqelCalculationTask() = default;
    TqelCalculationTask(const TqelCalculationTask&) = delete;
    TqelCalculationTask& operator=(const TqelCalculationTask&) = delete;
    virtual ~TqelCalculationTask() = default;

    // Runs the whole range in steps of aTimeFrame ms; False when a step failed or the run could
    // not start.
    virtual bool Execute(int32_t aTimeFrame) = 0;
    virtual int32_t DurationInMS() const = 0;

    // Database id of the analysis definition.
    int32_t AnalyseID() const { return FAnalyseID; }
    void setAnalyseID(int32_t aValue) { FAnalyseID = aValue; }
    int32_t ExerciseID() const { return FExerciseID; }
    void setExerciseID(int32_t aValue) { FExerciseID = aValue; }
    int32_t GameID() const { return FExerciseID; }
    void setGameID(int32_t aValue) { FExerciseID = aValue; }
    int32_t PartID() const { return FPartID; }
    void setPartID(int32_t aValue) { FPartID = aValue; }
    int32_t GroupID() const { return FGroupID; }
    void setGroupID(int32_t aValue) { FGroupID = aValue; }
    int32_t TeamID() const { return FGroupID; }
    void setTeamID(int32_t aValue) { FGroupID = aValue; }
    int32_t DtsID() const { return FDtsID; }
    void setDtsID(int32_t aValue) { FDtsID = aValue; }

private:
    int32_t FAnalyseID = 0;
    int32_t FExerciseID = 0;
    int32_t FPartID = 0;
    int32_t FGroupID = 0;
    int32_t FDtsID = 0;
};
