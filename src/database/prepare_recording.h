#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <vector>

#include "database/available_transponders.h"
#include "database/db_component.h"
#include "database/prepare_children.h"
#include "database/tracked_row.h"
#include "platform/date_time.h"

class TqelPrepareRecording;

// One vest of a preparation (PREPARE_TRANSPONDER), identified by preparation and inventory
// transponder, with the inventory and athlete values that the loading statement joins.
class TqelPrepareTransponder : public qel::TrackedRow {
public:
    // The owner must be a TqelPrepareRecording; anything else (none included) raises.
    explicit TqelPrepareTransponder(TqelDBComponent* AOwner);

    TqelPrepareRecording* PrepareRecording() const { return FPrepareRecording; }

    int32_t PrcID() const { return FPrcID; }
    void setPrcID(int32_t aValue) { Store(FPrcID, aValue); }
    // The inventory transponder.
    int32_t ATPid() const { return FATPid; }
    void setATPid(int32_t aValue) { Store(FATPid, aValue); }
    // The transponder number within the session.
    int32_t TPid() const { return FTPid; }
    void setTPid(int32_t aValue) { Store(FTPid, aValue); }
    int32_t PlrId() const { return FPlrId; }
    void setPlrId(int32_t aValue) { Store(FPlrId, aValue); }
    const QString& AthleteName() const { return FAthleteName; }
    void setAthleteName(const QString& aValue) { Store(FAthleteName, aValue); }
    int32_t TeamID() const { return FTeamID; }
    void setTeamID(int32_t aValue) { Store(FTeamID, aValue); }
    const QString& VisibleTo() const { return FVisibleTo; }
    void setVisibleTo(const QString& aValue) { Store(FVisibleTo, aValue); }
    bool Enabled() const { return FEnabled; }
    void setEnabled(bool aValue) { Store(FEnabled, aValue); }
    const QString& ShortcutChar() const { return FShortcutChar; }
    void setShortcutChar(const QString& aValue) { Store(FShortcutChar, aValue); }

    // Joined from the inventory and the athlete; never written to PREPARE_TRANSPONDER. The
    // writable ones leave Modified alone.
    const QString& VestID() const { return FVestID; }
    void setVestID(const QString& aValue) { FVestID = aValue; }
    int32_t TPRole() const { return FTPRole; }
    int32_t Antenna1ID() const { return FAntenna1ID; }
    int32_t AntennaID() const { return FAntenna1ID; }
    void setAntennaID(int32_t aValue) { FAntenna1ID = aValue; }
    int32_t Antenna2ID() const { return FAntenna2ID; }
    int32_t Antenna3ID() const { return FAntenna3ID; }
    int32_t Antenna4ID() const { return FAntenna4ID; }
    bool Combined() const { return FCombined; }
    int32_t NMEAPort() const { return FNMEAPort; }
    const QString& NMEAIP() const { return FNMEAIP; }
    const QString& MacAddress() const { return FMacAddress; }
    void setMacAddress(const QString& aValue) { FMacAddress = aValue; }
    int32_t MaxHB() const { return FMaxHB; }

    static void PrepareOpen(TqelQuery& aSQL);
    void PrepareSave(TqelQuery& aSQL) override;
    // PRC_ID and ATP_ID, each only when not 0.
    void PrepareParams(TqelQuery& aSQL) override;
    void Delete(TqelQuery& aSQL) override;
    // A column the result lacks reads as 0, empty or false.
    void DataSetToVaruza(TqelQuery& aSQL) override;
    void VaruzaToDataSet(TqelQuery& aSQL) override;

private:
    TqelPrepareRecording* FPrepareRecording;
    int32_t FPrcID = 0;
    int32_t FATPid = 0;
    int32_t FTPid = 0;
    int32_t FPlrId = 0;
    QString FAthleteName;
    int32_t FTeamID = 0;
    QString FVisibleTo;
    bool FEnabled = false;
    QString FShortcutChar;
    QString FVestID;
    int32_t FTPRole = 0;
    int32_t FAntenna1ID = 0;
    int32_t FAntenna2ID = 0;
    int32_t FAntenna3ID = 0;
    int32_t FAntenna4ID = 0;
    bool FCombined = false;
    int32_t FNMEAPort = 0;
    QString FNMEAIP;
    QString FMacAddress;
    int32_t FMaxHB = 0;
};

// How many prepared transponders carry one team id.
struct TTeamRec {
    int32_t TeamID = 0;
    int32_t Count = 0;
};

// The stored plan of one session (PREPARE_RECORDING): its pitch, the pitches its transponders
// may roam to, and its prepared transponders, which it owns.
class TqelPrepareRecording : public qel::TrackedRow {
public:
    using TTransponderList = std::vector<std::unique_ptr<TqelPrepareTransponder>>;

    explicit TqelPrepareRecording(TqelDatabase* AOwner);

    int32_t PrcID() const { return FPrcID; }
    // Carries the id over to every prepared transponder.
    void setPrcID(int32_t aValue);
    bool IsDefault() const { return FIsDefault; }
    void setIsDefault(bool aValue) { Store(FIsDefault, aValue); }
    // 0: any day.
    TDateTime ExpectDate() const { return FExpectDate; }
    void setExpectDate(TDateTime aValue) { Store(FExpectDate, aValue); }
    const QString& Description() const { return FDescription; }
    void setDescription(const QString& aValue) { Store(FDescription, aValue); }
    int32_t DatasetType() const { return FDatasetType; }
    void setDatasetType(int32_t aValue) { Store(FDatasetType, aValue); }
    bool Active() const { return FActive; }
    void setActive(bool aValue) { Store(FActive, aValue); }
    // The measurement pitch (MPT_ID).
    int32_t FieldID() const { return FFieldID; }
    void setFieldID(int32_t aValue) { Store(FFieldID, aValue); }
    // File name of the field definition.
    const QString& FieldName() const { return FFieldName; }
    void setFieldName(const QString& aValue) { Store(FFieldName, aValue); }
    // MPT_IDs joined by ";". Only ";" separates; blanks stay part of an item.
    QString RoamingPitches() const { return FRoamingPitches.join(u';'); }
    void setRoamingPitches(const QString& aValue);
    bool StoreLivePositions() const { return FStoreLivePositions; }
    void setStoreLivePositions(bool aValue) { Store(FStoreLivePositions, aValue); }
    bool LiveVideoCompilation() const { return FLiveVideoCompilation; }
    void setLiveVideoCompilation(bool aValue) { Store(FLiveVideoCompilation, aValue); }
    // The TP id the next new prepared transponder gets; not stored, leaves Modified alone.
    int32_t NextTransponderID() const { return FNextTransponderID; }
    void setNextTransponderID(int32_t aValue) { FNextTransponderID = aValue; }

    // The roaming list; none of these marks the row modified.
    int RoamingPitchAdd(int32_t aMptID);
    int RoamingPitchIndexOf(int32_t aMptID) const;
    int RoamingPitchCount() const { return static_cast<int>(FRoamingPitches.size()); }
    void RoamingPitchClear() { FRoamingPitches.clear(); }
    // 0 for an item that is no number; raises EArgumentOutOfRangeException outside the list.
    int32_t GetRoamingPitch(int aIndex) const;

    // The prepared transponder with TP id aTP (-1: always a new one). A new one is numbered
    // NextTransponderID, not aTP: loaders overwrite the number right after.
    TqelPrepareTransponder* AddTranponder(int32_t aTP);
    const TTransponderList& Transponders() const { return FTransponders; }
    int TPCount() const { return static_cast<int>(FTransponders.size()); }
    // Raises EArgumentOutOfRangeException outside the list.
    TqelPrepareTransponder* GetTransponder(int aIndex) const;
    // By TP id, not by inventory id.
    TqelPrepareTransponder* TransponderByID(int32_t ATPid) const;
    TqelPrepareTransponder* TransponderByAntenna(uint16_t aAntennaID) const;
    // The label exactly (case-sensitive).
    TqelPrepareTransponder* TransponderByVest(const QString& aVestID) const;
    void ClearTransponders();
    // The highest TP id (0 for none); reading it moves NextTransponderID above it.
    int32_t MaxTransponderID();
    // The team most prepared transponders carry; an earlier team keeps the lead unless a later
    // one has at least three more.
    int32_t TeamID() const;

    // ---- Exercises, connected agility tests, camera sections and cameras. The children are
    // made on the preparation's database and take its PrcID when they are created.
    using TExerciseList = TqelDBPrepareExercises::TVaruzaList;
    using TAgilityTestList = std::vector<std::unique_ptr<TqelConnectedAgilityTest>>;
    using TSectionList = TqelPrepareSections::TVaruzaList;
    using TCameraList = TqelPrepareCameras::TVaruzaList;

    TExerciseList& Exercises() { return FExercises; }
    const TExerciseList& Exercises() const { return FExercises; }
    TAgilityTestList& AgilityTests() { return FAgilityTests; }
    const TAgilityTestList& AgilityTests() const { return FAgilityTests; }
    TSectionList& Sections() { return FSections; }
    const TSectionList& Sections() const { return FSections; }
    TCameraList& Cameras() { return FCameras; }
    const TCameraList& Cameras() const { return FCameras; }
    int AglCount() const { return static_cast<int>(FAgilityTests.size()); }

    // The exercise aExnID with aParts expected parts. A new one is appended with aExrName at
    // aOrder (after the highest order for 0); one already listed keeps its name and order.
    // Either way, with aOrder other than 0 every exercise at aOrder or later moves up by one.
    TqelDBPrepareExercise* AddExercise(int32_t aExnID, const QString& aExrName,
                                       TqelExpectedParts aParts, TqelExerciseOrder aOrder);
    TqelDBPrepareExercise* IsExerciseSelected(int32_t aExrID) const;
    void ClearExercises() { FExercises.clear(); }
    // The last connected test with that id, else a new one; -1 always gives a new one that
    // keeps AglID and PrcID 0.
    TqelConnectedAgilityTest* AddConnectedAgilityTest(int32_t aAglId);
    bool IsConnectedAgility(int32_t aAglId) const;
    // Raises EArgumentOutOfRangeException outside the list.
    TqelConnectedAgilityTest* GetAgilityTest(int aIndex) const;
    void ClearConnectedAglilityTests() { FAgilityTests.clear(); }
    // The section aSectionID (made when missing) with the description and lead time given.
    TqelPrepareSection* AddSection(int32_t aSectionID, const QString& aDescription,
                                   int32_t aTimeToAddMS);
    TqelPrepareSection* SectionById(int32_t aSectionID) const;
    void ClearSections() { FSections.clear(); }
    // One camera per camera index: adding an index again moves that camera to aSectionID and
    // replaces its order and lines.
    TqelPrepareCamera* AddCamera(int32_t aCamIndex, int32_t aSectionID, int32_t aFollowOrder,
                                 const QString& aStartLine, int32_t aStartLineDirection,
                                 const QString& aFinishLine, int32_t aFinishLineDirection);
    TqelPrepareCamera* CameraByIndex(int32_t aCamIndex) const;
    void ClearCameras() { FCameras.clear(); }
    // ---- End of the children.

    static void PrepareOpen(TqelQuery& aSQL);
    void PrepareSave(TqelQuery& aSQL) override;
    void PrepareParams(TqelQuery& aSQL) override;
    void AfterInsert(TqelQuery& aSQL) override;
    // The preparation with its exercises, agility tests, teams, transponders, cameras and
    // sections; a failing statement stops the rest.
    void Delete(TqelQuery& aSQL) override;
    void DataSetToVaruza(TqelQuery& aSQL) override;
    void VaruzaToDataSet(TqelQuery& aSQL) override;

private:
    int32_t FPrcID = 0;
    bool FIsDefault = false;
    TDateTime FExpectDate = 0;
    QString FDescription;
    int32_t FDatasetType = 0;
    bool FActive = false;
    int32_t FFieldID = 0;
    QString FFieldName;
    QStringList FRoamingPitches;
    bool FStoreLivePositions = false;
    bool FLiveVideoCompilation = false;
    int32_t FNextTransponderID = 1;
    TTransponderList FTransponders;
    // The children.
    TExerciseList FExercises;
    TAgilityTestList FAgilityTests;
    TSectionList FSections;
    TCameraList FCameras;
};

// The preparations of a database: lists them, opens one for a session, loads and stores its
// prepared transponders and swaps vests between athletes. Owns an inventory loaded once, at
// creation. All statements run one at a time on the accessor's query.
class TqeldbPrepareRecordings : public TqelDatabaseVaruza {
public:
    using TPrepareList = std::vector<std::unique_ptr<TqelPrepareRecording>>;

    explicit TqeldbPrepareRecordings(TqelDatabase* aDatabase);

    // ---- The children of a preparation.
    // Replaces aPrepRec's exercises with the stored ones that have a name row, by order.
    void GetExercises(TqelPrepareRecording* aPrepRec);
    // Replaces the stored exercises with aPrepRec's list, all or nothing.
    void SaveExercises(TqelPrepareRecording* aPrepRec);
    // Adds the stored agility tests to aPrepRec's list; tests already listed are reused.
    void GetConnectedAgilityTests(TqelPrepareRecording* aPrepRec);
    // Replaces the stored agility tests with aPrepRec's list, all or nothing.
    void SaveConnectedAgilityTests(TqelPrepareRecording* aPrepRec);
    // Replaces aPrepRec's cameras (by section and follow order) and sections (each with copies
    // of its cameras).
    void GetCameraSetup(TqelPrepareRecording* aPrepRec);
    // Replaces the stored sections and cameras with aPrepRec's, all or nothing.
    void SaveCameraSetup(TqelPrepareRecording* aPrepRec);
    TqelDBPrepareExercises& DBPrepareExercises() const { return *FExercises; }
    TqelPrepareSections& PrepareSections() const { return *FSections; }
    TqelPrepareCameras& PrepareCameras() const { return *FCameras; }
    // ---- End of the children.

    // Replaces the list, ordered by description: only active ones, only those of today or of
    // any day, as asked.
    void GetAll(bool aActiveOnly, bool aOnlyToday);
    // Frees the listed preparations and lists the one with that id (active, marked modified);
    // none when there is no such row.
    TqelPrepareRecording* OpenPrc(int32_t aPrcID);
    TqelPrepareRecording* PrepareRecordingByID(int32_t aPrcID) const;
    // Raises EArgumentOutOfRangeException outside the list.
    TqelPrepareRecording* GetPrepareRecording(int aIndex) const;
    TqelPrepareRecording* AddPrepareRecording();
    int Count() const { return static_cast<int>(FPrepareRecordings.size()); }
    const TPrepareList& PrepareRecordings() const { return FPrepareRecordings; }
    // Empties the preparations and the inventory (which is not loaded again).
    void Clear();
    // Deletes the first listed preparation with that id with everything it holds, then frees
    // it; nothing when none is listed.
    void DeleteByID(int32_t aPrcID);

    // Fills aPrepRec from its row (kept as it is when there is none) and loads its
    // transponders.
    void GetPrepareRecordingAndAntennas(int32_t aPrcID, TqelPrepareRecording* aPrepRec);
    // Replaces aPrepRec's transponders with those whose inventory row exists, ordered by vest
    // label, with inventory and athlete values.
    void GetTPAndAntennaIDs(TqelPrepareRecording* aPrepRec);
    // Adds aPrepRec's stored transponders without inventory or athlete values.
    void GetTransponders(TqelPrepareRecording* aPrepRec);
    // Replaces the stored transponders of aPrepRec with its list, all or nothing.
    void SaveTransponders(TqelPrepareRecording* aPrepRec);
    // 0 when stored, 1 when the store failed (nothing raised).
    int32_t SaveTransponder(TqelPrepareTransponder* aPrepTP);
    // Swaps the athletes of two vests of a preparation: 0 done, 1 a store failed (nothing
    // changed), 2 a label is not part of the preparation (nothing written).
    int32_t ChangeAthletesVest(int32_t aPrepID, const QString& aOldVestID,
                               const QString& aNewVestID);

    // The last inventory row, from the snapshot taken at creation, that has the id as any of its
    // four antennas.
    TqelAvailableTransponder* GetAvailableByAntenna(int32_t aAntennaID) const;
    TqeldbAvailableTransponders& AvailableTransponders() const { return *FAvailableTransponders; }

    // The transponder ini of the LPM measurement system: a fixed header and one data line per
    // tracked antenna group of the athletes' vests (aAllDisabled writes every one disabled).
    // Both writers empty aTransponderIni first, read a fresh inventory, and leave the list
    // empty without a preparation or without prepared transponders. On a database failure the
    // lines written so far stay and the error is raised. Nothing without a list.
    void CreateAbatecTPIni(TqelPrepareRecording* aPrepRec, QStringList* aTransponderIni,
                           bool aAllDisabled);
    // The program's own transponder ini: one section per prepared transponder that has an
    // inventory row, whatever its role.
    void CreateQelvaniTPIni(TqelPrepareRecording* aPrepRec, QStringList* aTransponderIni);

private:
    void ReadTransponders(TqelPrepareRecording& aPrepRec);

    // Declared in this order so that they go exercises, cameras, sections, inventory and then
    // the preparations.
    TPrepareList FPrepareRecordings;
    std::unique_ptr<TqeldbAvailableTransponders> FAvailableTransponders;
    std::unique_ptr<TqelPrepareSections> FSections;
    std::unique_ptr<TqelPrepareCameras> FCameras;
    std::unique_ptr<TqelDBPrepareExercises> FExercises;
};
