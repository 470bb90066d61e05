#pragma once

#include <QIODevice>
#include <QString>
#include <cstdint>
#include <memory>

#include "database/database.h"
#include "foundation/settings/game_speed_values.h"
#include "foundation/shared_enums.h"
#include "platform/numbers.h"

// Kinds of zone bins (BK_ID of TP_ANAL_BINS).
enum TqelBinKind : uint8_t {
    binNone,
    binSpeed,
    binHeartbeat,
    binAcceleration,
    binDeceleration,
    binPower
};

namespace qel {

// RoundTo2Decimals (platform/numbers.h) gives NaN for NaN and infinities, which the optional
// setters store as NULL and the required ones as 0.
// Rounded to the nearest whole number, halves to the even neighbour (2.5 gives 2, 3.5 gives 4).
// NaN and infinities give NaN.
double RoundHalfEven(double aValue);

}  // namespace qel

// The analysis results of recorded datasets: the writers of TP_ANALYZED, its detail tables
// (TP_ANAL_*) and ANALYZES, and the removal of stored results and of whole datasets. The
// removals are class operations, each on an object of its own made for one dataset key.
//
// Holds a general query (TP_ANALYZED rows and every removal) and one query per detail table
// family, which the writers open on their tables. Belongs to the thread of its database.
class TqeldbDatasetAnalyzing {
public:
    // For the removals and the analysis date: no statement is prepared.
    TqeldbDatasetAnalyzing(TqelDatabase* aDatabase, int32_t aDtsID);
    // For the writers of analysis aAnlID: the result tables are opened to append to.
    TqeldbDatasetAnalyzing(TqelDatabase* aDatabase, int32_t aDtsID, int32_t aAnlID);
    ~TqeldbDatasetAnalyzing();
    TqeldbDatasetAnalyzing(const TqeldbDatasetAnalyzing&) = delete;
    TqeldbDatasetAnalyzing& operator=(const TqeldbDatasetAnalyzing&) = delete;

    int32_t DtsID() const { return FDtsID; }
    int32_t AnlId() const { return FAnlId; }

    // ---- Writers. Each appends one row and posts it; all but Add cancel the row and re-raise
    // on a failure.

    // The totals of one transponder in one exercise, part and group (TP_ANALYZED). Returns the
    // new TA_ID, or 0 when the row could not be written; the failure goes to the crash
    // reporter and is not raised.
    int32_t Add(int32_t aTPID, int32_t aExrID, int32_t aPrtID, int32_t aGrpID, int32_t aPlrRole,
                int32_t aDistanceInMM, int32_t aTotalTimeMS, double aHRIndex, int32_t aHBEnd,
                int32_t aHB1Min, int32_t aHB2Min, double aHR1Min, double aHR2Min, double aHBAvg,
                double aSpeedIndex, double aSpeedAvg, double aSpeedMax, double aAccelIndex,
                double aAccelMax, double aBodyLoadIndex, double aETLIndex, double aFifaSpeed,
                double aCovertArea, int32_t aMaxXPos, int32_t aMinXPos, int32_t aMaxYPos,
                int32_t aMinYPos, int32_t aHBMax, int32_t aSprintCount, double aSprintMaxSpeed,
                double aSprintAvgMaxSpeed, double aSprintAvgMaxAcc, int32_t aAccelCount,
                double aAccelMaxAcc, double aAccelAvgMaxAcc, double aActionIndex,
                int32_t aDecelCount, double aDecelMaxAcc, double aDecelAvgMaxAcc, int32_t aHBTimeMS,
                int32_t aHIDistanceInMM, double aSprintIndexSum, double aSprintIndexAvg,
                double aPowerWkG, double aEnergyJ, double aDecelIndex, double aDecelMax,
                bool aBadData, bool aBadHB, double aPMechAccel, double aPMechDecel,
                double aHMLDistanceM, double aAVILeft, double aAVIRight, int32_t aHIDPossInMM,
                int32_t aHIHBTimeInMS, int32_t aDistPossInMM);
    void AddBin(int32_t aTaID, TqelBinKind aBinKind, int32_t aZone, int32_t aDistance,
                int32_t aTimeInMS, int32_t aEnterCount, double aIndexValue, double aIndexPerc);
    void AddFatigue(int32_t aTaID, int32_t aTimeZone, int32_t aDurationInMS, int32_t aDistanceInMM,
                    double aSpeedIndex);
    // Nothing for no result.
    void AddGameSpeed(int32_t aTaID, TqelGameSpeedTypes aGameSpeedType,
                      const TqelGameSpeedValues* aGameSpeedResult);
    // The one heat-map row of aTaID, replaced when there is one: the whole of aHeatmap from its
    // start (none writes an empty image).
    void AddHeatmap(int32_t aTaID, QIODevice* aHeatmap, const QString& aMetaData);

    // Remove the rows of aTaID from a detail table and open it to append to. Sprints,
    // accelerations, decelerations and impacts share one query: the Add operations of a table
    // follow its Init, one table after the other.
    void InitSprints(int32_t aTaID);
    void InitAccel(int32_t aTaID);
    void InitDecel(int32_t aTaID);
    void InitImpacts(int32_t aTaID);
    void InitIHA(int32_t aTaID);
    void InitIHS(int32_t aTaID);

    // Positions in m are stored as whole metres.
    void AddSprint(int32_t aTaID, int32_t aSprintNr, int32_t aBeginInMS, int32_t aEndInMS,
                   int32_t aDurationInMS, double aDistanceInM, double aHIDinM, double aMaxSpeedInMS,
                   double aMaxAccelInMS, double aSprintIndex, int32_t aSprintCategory,
                   double aCumDistStartInM, int32_t aInitPossession, int32_t aTimePossessionInMS,
                   int32_t aTimeOpponentInMS, double aStartPosXinM, double aStartPosYinM,
                   int32_t aStartZone, double aEndPosXinM, double aEndPosYinM, int32_t aEndZone,
                   int32_t aDirectionDeg, const QString& aDirectionTxt, bool aInitClockRunning,
                   int32_t aTimeOnField, int32_t aTimeEffective);
    void AddAcceleration(int32_t aTaID, int32_t aAccelNr, int32_t aBeginInMS, int32_t aEndInMS,
                         int32_t aDurationInMS, double aDistanceInM, double aMaxSpeedInMS,
                         double aMinSpeedInMS, double aMaxAccelInMS, double aAccelIndex,
                         int32_t aCategory, double aCumDistStartInM, bool aInitClockRunning,
                         int32_t aTimeOnField, int32_t aTimeEffective);
    void AddDeceleration(int32_t aTaID, int32_t aDecelNr, int32_t aBeginInMS, int32_t aEndInMS,
                         int32_t aDurationInMS, double aDistanceInM, double aMaxSpeedInMS,
                         double aMinSpeedInMS, double aMaxAccelInMS, double aDecelIndex,
                         int32_t aCategory, double aCumDistStartInM, bool aInitClockRunning,
                         int32_t aTimeOnField, int32_t aTimeEffective);
    void AddImpacts(int32_t aTaID, int32_t aImpactNr, int32_t aBeginInMS, int32_t aEndInMS,
                    double aMinImpact, double aMaxImpact, double aMinSpeed, double aMaxSpeed,
                    int32_t aImpactCategory);
    void AddIHA(int32_t aTaID, int32_t aIhaNr, int32_t aBeginInMS, int32_t aEndInMS,
                int32_t aDurationInMS, double aMaxSpeedInMS, double aMaxAccelinMS2,
                double aMaxDecelInMS2, double aDistanceInM, int32_t aActionCategory,
                bool aInitClockRunning, int32_t aTimeOnField, int32_t aTimeEffective);
    void AddIHS(int32_t aTaID, int32_t aIhsNr, int32_t aShiftNr, int32_t aDirection,
                int32_t aMoment, int32_t aEffDuration, int32_t aAbsDuration, int32_t aGameTime);

    // Records now (the current clock) as the time analysis aAnlID of dataset aDtsID last ran.
    void UpdateAnalysedDate(int32_t aDtsID, int32_t aAnlID);
    // Opens the general query on the dataset's TP_ANALYZED rows with their exercise and part
    // names (read-only).
    void OpenForEditing();
    TqelQuery& SQL() const { return *FSQL; }

    // The results of one analysis (aAnlID) in one exercise (aExrID) of a dataset; 0 or less
    // for either means all. Nothing is run when the dataset has no such TP_ANALYZED rows.
    // ANALYZES keeps an analysis that still has TP_ANALYZED or GRP_ANALYZED rows.
    static void RemoveExertionAnalyses(TqelDatabase* aDatabase, int32_t aDtsID, int32_t aExrID,
                                       int32_t aAnlID);
    // The agility runs of a dataset with their split times.
    static void RemoveAgilityAnalyses(TqelDatabase* aDatabase, int32_t aDtsID);
    // The ball-possession results of a dataset, of one group, exercise and part when they are
    // not 0 (the part counts only with an exercise). Not one transaction: a failure leaves the
    // statements run before it done.
    static void RemoveBallPosAnalyses(TqelDatabase* aDatabase, int32_t aDtsID, int32_t aGrpID,
                                      int32_t aExrID, int32_t aPrtID);
    // Every row of the dataset in the result and recorded-dataset tables. The results go in
    // transactions of their own before the dataset rows do, so a failure in the last step
    // leaves the dataset rows without their results.
    static void RemoveCompleteDataset(TqelDatabase* aDatabase, int32_t aDtsID);
    // Removes completely every dataset that stored live data and no longer records.
    static void RemoveRecordingDatasets(TqelDatabase* aDatabase);

private:
    void DoRemoveExertionAnalyses(int32_t aExrID, int32_t aAnlID);
    void DoRemoveAgilityAnalyses();
    void DoRemoveBallPosAnalyses(int32_t aGrpID, int32_t aExrID, int32_t aPrtID);
    void DoRemoveCompleteDataset();
    void DoRemoveRecordingDatasets();
    // Runs the general query's statement with the removal's key and filter values (a statement
    // without one of them ignores it).
    void Run(int32_t aGrpID, int32_t aExrID, int32_t aPrtID, int32_t aAnlID);
    // Empties aTable of aTaID's rows and opens aQuery on it to append to.
    void InitDetail(TqelQuery& aQuery, const QString& aTable, int32_t aTaID);
    void AddEffort(bool aDeceleration, int32_t aTaID, int32_t aNr, int32_t aBeginInMS,
                   int32_t aEndInMS, int32_t aDurationInMS, double aDistanceInM,
                   double aMaxSpeedInMS, double aMinSpeedInMS, double aMaxAccelInMS, double aIndex,
                   int32_t aCategory, double aCumDistStartInM, bool aInitClockRunning,
                   int32_t aTimeOnField, int32_t aTimeEffective);

    TqelDatabase* FDatabase;
    std::unique_ptr<TqelQuery> FSQL;
    std::unique_ptr<TqelQuery> FSQLBins;
    std::unique_ptr<TqelQuery> FSQLFatigue;
    std::unique_ptr<TqelQuery> FSQLGameSpeed;
    // Whichever of the sprint, acceleration, deceleration or impact tables was opened last.
    std::unique_ptr<TqelQuery> FSQLDetail;
    std::unique_ptr<TqelQuery> FSQLHeatmap;
    std::unique_ptr<TqelQuery> FSQLIHA;
    std::unique_ptr<TqelQuery> FSQLIHS;
    int32_t FDtsID;
    int32_t FAnlId = 0;
};
