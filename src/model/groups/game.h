#pragma once

#include <QString>
#include <QUuid>
#include <QVariant>
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "foundation/model_interfaces.h"
#include "foundation/shared_enums.h"
#include "model/dataset/notify_varuza.h"
#include "model/groups/group_types.h"

class TqelDataset;
class TqelGame;
class TqelGroup;
class TqeldbAgilityDefinitions;
class TqelDynaValueDef;
class TqelHandballGamePhase;
class TqelPasses;
class TqelTransponderData;

// One period of a game; part 0 is the whole game. Owned by its game.
//
// Threads: changed on the main thread under the dataset's ModelLock(), read by other threads
// under it; the rest time is atomic because the cadence thread keeps the last part's.
class TqelGamePart : public TNotifyVaruza {
public:
    // aCreateGroup: a game with a dataset gives the part a new part group holding its teams'
    // transponders.
    TqelGamePart(TqelGame* aGame, int32_t aID, bool aCreateGroup);
    ~TqelGamePart() override;

    int32_t ID() const { return FID; }
    void SetID(int32_t aValue) { FID = aValue; }
    int32_t GamePartID() const { return FID; }
    // Game id and part id as at least four upper-case hex digits each.
    QString PartCode() const;
    QString GUID() const { return FGUID; }
    void setGUID(const QString& aValue) { FGUID = aValue; }
    TqelGame* Game() const { return FGame; }
    void setGame(TqelGame* aValue) { FGame = aValue; }
    QString PartName() const { return FPartName; }
    void setPartName(const QString& aValue);
    // "<game name>/<part name>".
    QString GamePartName() const;
    int32_t BeginTimeInMS() const { return FBeginTimePartInMS; }
    // An open part's end follows; part 1 moves the game's begin; rest times, notice and, while
    // recording with live positions, the begin marker row follow.
    void setBeginTimeInMS(int32_t aValue);
    int32_t EndTimeInMS() const { return FEndTimeInMS; }
    // 0 or less: end = begin and not ended. Below the begin moves the begin. The last part
    // moves the game's end.
    void setEndTimeInMS(int32_t aValue);
    int32_t DurationInMS() const { return FEndTimeInMS - FBeginTimePartInMS; }
    QUuid BeginGUID() const { return FBeginGUID; }
    void setBeginGUID(const QUuid& aValue) { FBeginGUID = aValue; }
    QUuid EndGUID() const { return FEndGUID; }
    void setEndGUID(const QUuid& aValue) { FEndGUID = aValue; }
    int32_t PartClass() const { return FPartClass; }
    void setPartClass(int32_t aValue);
    bool PartIsEnded() const { return FPartIsEnded; }
    // Reopening a part reopens its game.
    void setPartIsEnded(bool aValue);
    int32_t RestTimeInMS() const { return FRestTimeInMS.load(); }
    void setRestTimeInMS(int32_t aValue);
    QString FieldDimensions() const { return FFieldDimensions; }
    void setFieldDimensions(const QString& aValue);
    const TqelTransponderSet& ActivePlayers() const { return FActivePlayers; }
    // The part group in the dataset; not owned.
    TqelGroup* Group() const { return FGroup; }
    void setGroup(TqelGroup* aValue) { FGroup = aValue; }

    // Takes id, GUID, name, times (moved by the difference of the two datasets' first ticks)
    // and class of another dataset's part.
    void AssignFromOther(const TqelGamePart& aPart);
    // "<name> | h:nn:ss - h:nn:ss (h:nn:ss)".
    QString ToString() const;

private:
    TqelDataset* Dataset() const;
    void NotifyChanged();
    template <class T>
    void StoreNotifying(T& aField, const T& aValue);
    void WriteGameMarker(int32_t aMarkerType, int32_t aTimeInMS);

    int32_t FID = 0;
    QString FGUID;
    TqelGame* FGame = nullptr;
    QString FPartName;
    int32_t FBeginTimePartInMS = -1;
    int32_t FEndTimeInMS = -1;
    int32_t FPartClass = 0;
    TqelTransponderSet FActivePlayers;
    bool FPartIsEnded = false;
    std::atomic<int32_t> FRestTimeInMS{0};
    QString FFieldDimensions;
    QUuid FEndGUID;
    QUuid FBeginGUID;
    TqelGroup* FGroup = nullptr;
};

// One exercise or match of a recording: a span of dataset time with teams and parts. Part 0
// spans the game. The dataset owns its games; the teams are dataset groups.
//
// Threads: changed and freed on the main thread under the dataset's ModelLock(); other threads
// hold it while they read a game, its parts or its teams.
class TqelGame : public TNotifyVaruza, public IqelGameData {
public:
    TqelGame(TqelDataset* aDataSet, int32_t anID, TqelGameType aGameType);
    ~TqelGame() override;

    // IqelGameData
    TqelGame* GetGameVaruza() override { return this; }
    int32_t GetID() override { return FID; }

    // Outside an update bracket a change goes out at once as the dataset's game notice.
    void setChanged(bool aValue) override;
    // Asks the dataset to delete the game.
    void Delete();

    TqelDataset* Dataset() const { return FDataSet; }
    int32_t ID() const { return FID; }
    QUuid GUID() const { return FGUID; }
    void setGUID(const QUuid& aValue) { FGUID = aValue; }
    QString Name() const { return FGameName; }
    // Also reloads the exercise's agility definitions.
    void setName(const QString& aValue);
    int32_t NameID() const { return FNameID; }
    void setNameID(int32_t aValue);
    TqelGameType GameType() const { return FGameType; }
    void setGameType(TqelGameType aValue);
    int32_t TrainingType() const { return FTrainingType; }
    void setTrainingType(int32_t aValue);
    QString Remark() const { return FRemark; }
    void setRemark(const QString& aValue);
    bool GameIsEnded() const { return FGameIsEnded; }
    void setGameIsEnded(bool aValue);
    int32_t BallID() const { return FBallID; }
    void setBallID(int32_t aValue);
    bool ClockBasedGame() const { return FClockBasedGame; }
    void setClockBasedGame(bool aValue);
    QString FieldDimensions() const { return FFieldDimensions; }
    void setFieldDimensions(const QString& aValue);
    int32_t DatasetFirstLPMtime() const { return FDatasetFirstLPMtime; }
    void setDatasetFirstLPMtime(int32_t aValue) { FDatasetFirstLPMtime = aValue; }
    TqeldbAgilityDefinitions* AgilityDefs() const { return FAgilityDefs.get(); }

    // Those of part 0; 0 while it is missing. The setters make it when missing.
    int32_t BeginTimeInMS() const;
    void setBeginTimeInMS(int32_t aValue);
    int32_t EndTimeInMS() const;
    // Clamped to the dataset's duration.
    void setEndTimeInMS(int32_t aValue);
    int32_t DurationInMS() const { return EndTimeInMS() - BeginTimeInMS(); }

    // Teams
    int32_t TeamCount() const { return static_cast<int32_t>(FTeams.size()); }
    const std::vector<TqelGroup*>& Teams() const { return FTeams; }
    TqelGroup* AddTeam(const QString& aTeamName);
    void DeleteTeam(int32_t aIndex);
    // Null at or past the count; a negative index raises EArgumentOutOfRangeException.
    TqelGroup* GetTeam(int32_t aIndex) const;
    TqelGroup* GetTeamByID(int32_t aTeamID) const;
    int32_t GetTeamIndex(int32_t aGrpID) const;
    TqelGroup* TeamByName(const QString& aTeamName) const;
    // Ids above 103 are never members.
    TqelGroup* GetTeamByMember(int32_t aTransponderId) const;
    bool InSameTeam(int32_t aPlayer1, int32_t aPlayer2) const;
    TqelGroup* GetOpponentTeam(const TqelGroup* aTeam) const;
    TqelGroup* GetOpponentTeam(int32_t aTransponderId) const;
    // Takes a team out of the list and the phases without touching the group (the dataset
    // frees it).
    void ForgetTeam(const TqelGroup* aTeam);

    // Parts
    int32_t PartCount() const { return static_cast<int32_t>(FParts.size()); }
    int32_t LastPartID() const { return FLastPartID; }
    // aPartID -1: the next id. An empty name becomes "Part <id>".
    TqelGamePart* AddPart(const QString& aPartName, int32_t aPartID, int32_t aBeginTimeInMS,
                          int32_t aEndTimeInMS, bool aPartIsEnded);
    // Part 0 stays; the part group stays in the dataset.
    void DeletePart(int32_t aPartID);
    // Null at or past the count; a negative index raises EArgumentOutOfRangeException.
    TqelGamePart* GetPart(int32_t aIndex) const;
    // Part 0 is made when missing.
    TqelGamePart* GetPartByID(int32_t aPartID);
    TqelGamePart* FindPartByID(int32_t aPartID) const;
    int32_t GetPartIndex(int32_t aPartID) const;
    // Null outside the game; the latest period covering the time, else part 0.
    TqelGamePart* GetPartByTime(int32_t aTimestamp) const;
    TqelGamePart* PartByGUID(const QString& aGUID) const;
    bool OwnsPart(const TqelGamePart* aPart) const;

    // Takes another server's game: GUID, name, kind, training type, remark, teams and parts
    // (by GUID).
    void AssignFromOther(const TqelGame& aGame);
    QString ToString() const { return FGameName; }

    // Passes (game_phases.cpp), in the order added until sorted.
    // Both positions on the field and valid for speed, each with its athlete's id.
    TqelPasses* PassAdd(int32_t aTimeBeginInMS, int32_t aTimeEndInMS, int32_t aTPidSend,
                        double aPositionStartXinM, double aPositionStartYinM,
                        int32_t aTPidReceived, double aPositionEndXinM, double aPositionEndYinM,
                        int32_t aTeamIdPossession);
    void PassesClear();
    // On begin time, ascending; equal begins keep their order.
    void PassesSortOnTime();
    int32_t PassCount() const;
    // Null at or past the count; a negative index raises EArgumentOutOfRangeException.
    TqelPasses* PassByIndex(int32_t aIndex) const;
    // The first pass in list order with begin <= t <= end, else null.
    TqelPasses* PassByTime(int32_t aTimeInMS) const;

    // Handball phases (game_phases.cpp). A new phase takes the next index (its ID is the index
    // + 1) and is an organizational phase.
    TqelHandballGamePhase* PhaseAdd();
    // An index outside the list raises EArgumentOutOfRangeException.
    void PhaseDelete(int32_t aIndex);
    // Frees a phase of this game; any other pointer does nothing.
    void PhaseRemove(TqelHandballGamePhase* aPhase);
    // On begin time, ascending, then renumbered so that the IDs run 1 .. n.
    void PhasesSortOnTime();
    // Also restarts the phase numbering.
    void PhasesClear();
    // An index outside the list raises EArgumentOutOfRangeException.
    TqelHandballGamePhase* GethandballGamePhase(int32_t aIndex) const;
    TqelHandballGamePhase* GetPhaseByID(int32_t aID) const;
    int32_t PhaseCount() const;
    int32_t LastHandBallGamePhaseID() const { return FLastHandBallGamePhaseID; }
    // Clears the phases' references to a transponder that the dataset frees.
    void ForgetPlayer(const TqelTransponderData* aPlayer);

    // The game's numbered values (game_dynamic_values.cpp): 1 the time, 2 the time since the
    // range start, 3 the wall-clock time, 4 the LPM time, 122 whether a pass covers the time,
    // 123 the ball's acceleration; null for every other number and for what needs a dataset or
    // ball that is not there. A value is converted to display unit aUnit.
    QVariant calcDynamicValue(const TqelDynaValueDef& aValueDef, int32_t aUnit,
                              int32_t aTimestamp, int32_t aRangeStart, int32_t anRangeEnd,
                              int32_t anArgument) const;

private:
    template <class T>
    void StoreChanging(T& aField, const T& aValue);

    QUuid FGUID;
    TqelDataset* FDataSet = nullptr;
    int32_t FID = 0;
    QString FGameName;
    std::vector<TqelGroup*> FTeams;
    std::vector<std::unique_ptr<TqelGamePart>> FParts;
    int32_t FLastPartID = 0;
    TqelGameType FGameType = gameNone;
    int32_t FTrainingType = 0;
    QString FRemark;
    std::vector<std::unique_ptr<TqelHandballGamePhase>> FHandballGamePhases;
    std::vector<std::unique_ptr<TqelPasses>> FPasses;
    int32_t FLastHandBallGamePhaseID = 0;
    bool FGameIsEnded = false;
    std::unique_ptr<TqeldbAgilityDefinitions> FAgilityDefs;
    int32_t FNameID = 0;
    int32_t FBallID = 0;
    int32_t FDatasetFirstLPMtime = 0;
    bool FClockBasedGame = false;
    QString FFieldDimensions;
};
