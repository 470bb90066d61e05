#pragma once

#include <cstdint>
#include <memory>

#include "database/database.h"

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
    ~TqeldbDatasetAnalyzing();
    TqeldbDatasetAnalyzing(const TqeldbDatasetAnalyzing&) = delete;
    TqeldbDatasetAnalyzing& operator=(const TqeldbDatasetAnalyzing&) = delete;

    int32_t DtsID() const { return FDtsID; }
    int32_t AnlId() const { return FAnlId; }

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
