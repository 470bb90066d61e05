#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "database/agility/agility_definition.h"
#include "platform/binary_stream.h"

class IqelTransponderData;
class TqeldbAgilityTest;

// The crossing of one line during a run, with the values of the section that ends there. Times
// are ms since the dataset's start, speeds m/s, accelerations m/s², distances m.
//
// Holds its line weakly: when the definition's lines are reloaded or replaced the crossing has
// no line any more.
class TqeldbAgilityCrossing {
public:
    TqeldbAgilityCrossing(TqeldbAgilityTest* aAgilityTest, TqeldbAgilityLine* aAgilityLine);
    virtual ~TqeldbAgilityCrossing();
    TqeldbAgilityCrossing(const TqeldbAgilityCrossing&) = delete;
    TqeldbAgilityCrossing& operator=(const TqeldbAgilityCrossing&) = delete;

    TqeldbAgilityTest* AgilityTest() const { return FAgilityTest; }
    TqeldbAgilityLine* Line() const { return FLine.lock().get(); }
    void setLine(TqeldbAgilityLine* aValue);
    double AvgSpeed() const { return FAvgSpeed; }
    void setAvgSpeed(double aValue) { FAvgSpeed = aValue; }
    double DistanceM() const { return FDistanceM; }
    void setDistanceM(double aValue) { FDistanceM = aValue; }
    double MaxAccel() const { return FMaxAccel; }
    void setMaxAccel(double aValue) { FMaxAccel = aValue; }
    double MaxDecel() const { return FMaxDecel; }
    void setMaxDecel(double aValue) { FMaxDecel = aValue; }
    double MaxSpeed() const { return FMaxSpeed; }
    void setMaxSpeed(double aValue) { FMaxSpeed = aValue; }
    // Crossing time minus entry time.
    int32_t DurationInMS() const { return FDurationInMS; }
    void setDurationInMS(int32_t aValue) { FDurationInMS = aValue; }
    // When the section began.
    int32_t EntryInMS() const { return FEntryInMS; }
    void setEntryInMS(int32_t aValue) { FEntryInMS = aValue; }
    int32_t CrossingInMS() const { return FCrossingInMS; }
    void setCrossingInMS(int32_t aValue) { FCrossingInMS = aValue; }

    // Inserts the split under its run's TG_ID; a crossing without a line is stored with
    // AGLL_ID 0, as the stream writes it.
    void Save();
    // MaxDecel only from version 3. The line is looked up by its id in the run's definition.
    virtual void ReadFromStream(qel::BinaryReader& aStream, uint8_t aVersion);
    // Always the version-3 layout.
    virtual void WriteToStream(qel::BinaryWriter& aStream) const;

private:
    double FAvgSpeed = 0;
    double FDistanceM = 0;
    double FMaxAccel = 0;
    TqeldbAgilityTest* FAgilityTest;
    int32_t FDurationInMS = 0;
    std::weak_ptr<TqeldbAgilityLine> FLine;
    int32_t FEntryInMS = 0;
    double FMaxSpeed = 0;
    std::unique_ptr<TqelQuery> FSQL;
    int32_t FCrossingInMS = 0;
    double FMaxDecel = 0;
};

// One run of one transponder through a course, with its line crossings. The agility analysis
// derives its run class from it. The transponder is not owned: whoever gives it keeps it alive
// for the run's life.
class TqeldbAgilityTest {
public:
    using TCrossingList = std::vector<std::unique_ptr<TqeldbAgilityCrossing>>;

    TqeldbAgilityTest(TqeldbAgilityDef* aAgilityDef, IqelTransponderData* aTransponder);
    // A run without definition or transponder, as the history of an athlete holds them.
    static std::unique_ptr<TqeldbAgilityTest> CreateEmpty();
    virtual ~TqeldbAgilityTest();
    TqeldbAgilityTest(const TqeldbAgilityTest&) = delete;
    TqeldbAgilityTest& operator=(const TqeldbAgilityTest&) = delete;

    TqeldbAgilityDef* AgilityDef() const { return FAgilityDef; }
    IqelTransponderData* Transponder() const { return FTransponder; }
    // The transponder's id; 0 without one.
    int32_t TpID() const;
    int32_t TgID() const { return FTgID; }
    void setTgID(int32_t aValue) { FTgID = aValue; }
    int32_t DtsID() const { return FDtsID; }
    void setDtsID(int32_t aValue) { FDtsID = aValue; }
    int32_t ExrID() const { return FExrID; }
    void setExrID(int32_t aValue) { FExrID = aValue; }
    int32_t PrtID() const { return FPrtID; }
    void setPrtID(int32_t aValue) { FPrtID = aValue; }
    int32_t GrpID() const { return FGrpID; }
    void setGrpID(int32_t aValue) { FGrpID = aValue; }
    int32_t Number() const { return FNumber; }
    void setNumber(int32_t aValue) { FNumber = aValue; }
    int32_t EntryInMS() const { return FEntryInMS; }
    void setEntryInMS(int32_t aValue) { FEntryInMS = aValue; }
    // Entry plus duration; setting it sets the duration.
    int32_t ExitInMS() const { return FEntryInMS + FDurationInMS; }
    void setExitInMS(int32_t aValue) { FDurationInMS = aValue - FEntryInMS; }
    int32_t DurationInMS() const { return FDurationInMS; }
    void setDurationInMS(int32_t aValue) { FDurationInMS = aValue; }
    double DistanceM() const { return FDistanceM; }
    void setDistanceM(double aValue) { FDistanceM = aValue; }
    double MaxSpeed() const { return FMaxSpeed; }
    void setMaxSpeed(double aValue) { FMaxSpeed = aValue; }
    double AvgSpeed() const { return FAvgSpeed; }
    void setAvgSpeed(double aValue) { FAvgSpeed = aValue; }
    double MaxAccel() const { return FMaxAccel; }
    void setMaxAccel(double aValue) { FMaxAccel = aValue; }
    double MaxDecel() const { return FMaxDecel; }
    void setMaxDecel(double aValue) { FMaxDecel = aValue; }
    double SpeedIndex() const { return FSpeedIndex; }
    void setSpeedIndex(double aValue) { FSpeedIndex = aValue; }
    int32_t BestTimeBefore() const { return FBestTimeBefore; }
    void setBestTimeBefore(int32_t aValue) { FBestTimeBefore = aValue; }
    const TCrossingList& Crossings() const { return FCrossings; }
    // How often a partner feed has sent the run; 0 for a new one.
    int32_t IsSended() const { return FIsSended; }
    void setIsSended(int32_t aValue) { FIsSended = aValue; }

    // Reads the current TP_AGILITY row of aDataset (not TP_ID or AGL_ID).
    void DataSetToVaruza(const TqelQuery& aDataset);
    // With a connection and an exercise: stores the run under a new TG_ID from "TP_AGILITY"
    // with its splits, all or nothing.
    void Save();
    // Appends a crossing of aLine that took from aEntryInMS to aCrossingInMS.
    TqeldbAgilityCrossing* AddCrossing(TqeldbAgilityLine* aLine, int32_t aEntryInMS,
                                       int32_t aCrossingInMS);

    // aVersion is that of the stream the run is embedded in: MaxDecel only from 3. Crossings
    // are appended.
    virtual void ReadFromStream(qel::BinaryReader& aStream, uint8_t aVersion);
    // Always the version-3 layout.
    virtual void WriteToStream(qel::BinaryWriter& aStream) const;

private:
    int32_t FExrID = 0;
    IqelTransponderData* FTransponder;
    double FAvgSpeed = 0;
    int32_t FGrpID = 0;
    double FDistanceM = 0;
    double FMaxAccel = 0;
    int32_t FDtsID = 0;
    TqeldbAgilityDef* FAgilityDef;
    int32_t FDurationInMS = 0;
    int32_t FTgID = 0;
    int32_t FEntryInMS = 0;
    double FMaxSpeed = 0;
    int32_t FPrtID = 0;
    std::unique_ptr<TqelQuery> FSQL;
    int32_t FNumber = 0;
    double FSpeedIndex = 0;
    int32_t FBestTimeBefore = 0;
    TCrossingList FCrossings;
    double FMaxDecel = 0;
    int32_t FIsSended = 0;
};

// The runs of one course in one exercise part, with the best earlier time of every athlete of
// the dataset.
class TqeldbAgilityTests {
public:
    using TTestList = std::vector<std::unique_ptr<TqeldbAgilityTest>>;
    // Best times are kept for transponder ids 0 to 99.
    static constexpr int kBestTimeCount = 100;

    TqeldbAgilityTests(TqeldbAgilityDef* aAgilityDef, TqelDatabaseConnection* aDatabaseConnection);
    ~TqeldbAgilityTests();
    TqeldbAgilityTests(const TqeldbAgilityTests&) = delete;
    TqeldbAgilityTests& operator=(const TqeldbAgilityTests&) = delete;

    TTestList& AgilityTests() { return FAgilityTests; }
    const TTestList& AgilityTests() const { return FAgilityTests; }
    TqeldbAgilityDef* AgilityDef() const { return FAgilityDef; }
    // The course's AGL_ID; 0 without one.
    int32_t AglID() const;
    int32_t DtsID() const { return FDtsID; }
    int32_t ExrID() const { return FExrID; }
    int32_t PrtID() const { return FPrtID; }
    int32_t GrpID() const { return FGrpID; }

    // Takes the ids; with aRemoveExisting deletes the stored runs of this course in this part
    // (all or nothing); with aGetBestTimes fills the best times from earlier datasets, else
    // clears them.
    void InitializeTest(int32_t aDtsId, int32_t aExrId, int32_t aPrtId, int32_t aGrpId,
                        bool aRemoveExisting, bool aGetBestTimes);
    // The best earlier time of that transponder id, ms; 0 when there is none or the id is
    // outside 0 to 99.
    int32_t BestTimeTPinMS(int32_t aTPId) const;
    // Replaces the runs with the fastest run of each dataset that the athlete of transponder
    // aTPId in dataset aDtsId ran on course aAglId, by dataset.
    void ReceiveHistoryTP(int32_t aAglId, int32_t aDtsId, int32_t aTPId);

private:
    std::array<int32_t, kBestTimeCount> FBestPerformancePlayers{};
    TqelDatabaseConnection* FDatabaseConnection;
    std::unique_ptr<TqelQuery> FSQL;
    TTestList FAgilityTests;
    TqeldbAgilityDef* FAgilityDef;
    int32_t FDtsID = 0;
    int32_t FExrID = 0;
    int32_t FPrtID = 0;
    int32_t FGrpID = 0;
};
