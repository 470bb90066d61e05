#pragma once

#include <QString>
#include <QVariant>
#include <cstdint>
#include <memory>
#include <vector>

#include "foundation/model_interfaces.h"
#include "foundation/shared_enums.h"
#include "model/dataset/notify_varuza.h"
#include "model/groups/group_types.h"
#include "platform/binary_stream.h"

class TqelCalculation;
class TqelDataset;
class TqelGame;
class TqelGamePart;
class TqelGroup;
class TqelLap;
class TqelTransponderData;
class TqelVisualisation;

// One transponder in a group, owned by the group. A member of a part group carries the
// athlete's calculation for that part.
class TqelGroupMember {
public:
    // A member being read gets id -1 and no calculation.
    TqelGroupMember(TqelGroup* aGroup, int32_t aTransponderId, bool aReadingFromStream);
    ~TqelGroupMember();
    TqelGroupMember(const TqelGroupMember&) = delete;
    TqelGroupMember& operator=(const TqelGroupMember&) = delete;

    TqelGroup* Group() const { return FGroup; }
    TqelDataset* GetDataset() const;
    int32_t TransponderID() const { return FTransponderID; }
    // The group's dataset's transponder of this id; null without one.
    TqelTransponderData* Transponder() const;
    // The transponder's first antenna, else the one last known.
    uint16_t AntennaID() const;
    TqelCalculation* Calculation() const { return FCalculation.get(); }

    // These setters notify the group's change when the value differs.
    int32_t BeginTime() const { return FBeginTime; }
    void setBeginTime(int32_t aValue);
    int32_t EndTime() const { return FEndTime; }
    void setEndTime(int32_t aValue);
    // Role 2 is the keeper.
    int32_t Role() const { return FRole; }
    void setRole(int32_t aValue);
    bool BadData() const { return FBadData; }
    void setBadData(bool aValue);
    bool BadHB() const { return FBadHB; }
    void setBadHB(bool aValue);
    int32_t SetupPosition() const { return FSetupPosition; }
    void setSetupPosition(int32_t aValue);
    int32_t LapCount() const { return FLapCount; }
    void setLapCount(int32_t aValue) { FLapCount = aValue; }
    int32_t LastLapTime() const { return FLastLapTime; }
    void setLastLapTime(int32_t aValue) { FLastLapTime = aValue; }
    // No notice; also the calculation's group id.
    int32_t GameTeamID() const { return FGameTeamID; }
    void setGameTeamID(int32_t aValue);
    bool Checked() const { return FChecked; }
    void setChecked(bool aValue) { FChecked = aValue; }

    // Takes role, times, set-up position and the bad-data flags; identity and calculation stay.
    void AssignFromOther(const TqelGroupMember& aGroupMember);

private:
    template <class T>
    void StoreNotifying(T& aField, T aValue);

    TqelGroup* FGroup = nullptr;
    int32_t FTransponderID = -1;
    int32_t FRole = 0;
    int32_t FBeginTime = 0;
    int32_t FEndTime = 0;
    int32_t FSetupPosition = 0;
    int32_t FLapCount = 0;
    int32_t FLastLapTime = 0;
    bool FBadData = false;
    bool FBadHB = false;
    uint16_t FAntennaID = 0;
    std::unique_ptr<TqelCalculation> FCalculation;
    bool FChecked = false;
    int32_t FGameTeamID = 0;
};

// One lap of a group race, owned by the group. Lap numbers start at 1; a race of n laps ends
// with group lap 2n. A lap read from a stream has its members-out count but not their times.
class TqelGroupLap {
public:
    TqelGroupLap(TqelGroup* aGroup, int32_t aLapNumber) : FGroup(aGroup), FLapNumber(aLapNumber) {}

    TqelGroup* Group() const { return FGroup; }
    int32_t LapNumber() const { return FLapNumber; }
    int32_t EntryInMS() const { return FEntryInMS; }
    void setEntryInMS(int32_t aValue) { FEntryInMS = aValue; }
    int32_t ExitInMS() const { return FExitInMS; }
    void setExitInMS(int32_t aValue) { FExitInMS = aValue; }
    int32_t MembersOut() const { return FMembersOut; }
    const std::vector<int32_t>& ExitTimes() const { return FExitTimes; }

    // A member crossed the line at aTimeStampInMS (0: nothing). Once all are out and fewer must
    // finish, the exit becomes the crossing of the last one needed.
    void incMemberOut(int32_t aTimeStampInMS);
    bool EnoughMembersFinished(int32_t aTimeStampInMS) const;
    bool IsLastLap() const;

    // Entry, exit, members out and lap number, 16 bytes in every version.
    void readFromStream(qel::BinaryReader& aStream, int32_t aVersion);
    void writeToStream(qel::BinaryWriter& aStream) const;

private:
    // The group's members to finish; one at least, as a position among the exit times.
    int32_t MembersToFinish() const;

    TqelGroup* FGroup = nullptr;
    int32_t FEntryInMS = 0;
    int32_t FExitInMS = 0;
    int32_t FMembersOut = 0;
    // Crossing times of the members out, ascending.
    std::vector<int32_t> FExitTimes;
    int32_t FLapNumber = 0;
};

// A named set of transponders of one dataset: a team of a game, the players of a game part or
// a free group. The dataset owns its groups; games, parts and transponders only refer to them.
//
// Threads: changed and freed on the main thread under the dataset's ModelLock(); other threads
// hold that lock while they read a group. FMembers (0..103) and FMemberList stay in step.
class TqelGroup : public TNotifyVaruza, public IqelGroupData {
public:
    TqelGroup(TqelDataset* aDataSet, int32_t anID, TqelGroupType aGroupType);
    // Frees visualisations, laps and members; the members' transponders are not told (delete the
    // members first, as deleteGroup does).
    ~TqelGroup() override;

    // IqelGroupData
    TqelGroup* GetGroupVaruza() override { return this; }
    int32_t GetID() override { return FID; }
    // Team shape is not computed by this group yet: length, width and area 0, no positions.
    double calcGroupLength(int32_t aTimeStampInMS) override;
    double calcGroupWidth(int32_t aTimeStampInMS) override;
    double calcGroupArea(int32_t aTimeStampInMS) override;
    // The stored direction, turned in the even periods (2, 4, ...) of a match. -1: the
    // dataset's play position.
    TqelPlayDirection CurrentPlayDirection(int32_t aCurrentTimeInMS) override;
    int32_t IndexMemberPositions(int32_t aTimeStampInMS,
                                 TqelCalculatedPositionArray& aPositionArray,
                                 bool aExcludeKeeper) override;

    // The side of the pitch the members stand on in the first second from aBeginTimeMS (0: the
    // game's begin): pldRightToLeft when the sum of their X is 0 or more, pldNone when nobody is
    // on the field.
    TqelPlayDirection CalcPlayDirection(int32_t aBeginTimeMS);

    TqelDataset* Dataset() const { return FDataSet; }
    int32_t ID() const { return FID; }
    TqelGroupType GroupType() const { return FGroupType; }
    QString GUID() const { return FGUID; }
    void setGUID(const QString& aValue) { FGUID = aValue; }
    QString Name() const { return FName; }
    void setName(const QString& aValue);
    // Also every member transponder's athlete colour.
    uint32_t ShirtColor() const { return FShirtColor; }
    void setShirtColor(uint32_t aValue);
    int32_t Score() const { return FScore; }
    void setScore(int32_t aValue);
    QString Formation() const { return FFormation; }
    void setFormation(const QString& aValue) { FFormation = aValue; }
    // Also every visualisation's visibility.
    bool VisibleIn3D() const { return FVisibleIn3D; }
    void setVisibleIn3D(bool aValue);
    int32_t NumberOfLaps() const { return FNumberOfLaps; }
    void setNumberOfLaps(int32_t aValue);
    int32_t MembersToFinish() const { return FMembersToFinish; }
    void setMembersToFinish(int32_t aValue);
    TqelPlayDirection PlayDirection() const { return FPlayDirection; }
    void setPlayDirection(TqelPlayDirection aValue);
    TqelGame* Game() const { return FGame; }
    void setGame(TqelGame* aValue);
    TqelGamePart* Part() const { return FGamePart; }
    void setPart(TqelGamePart* aValue);
    QString ExternalID() const { return FExternalID; }
    void setExternalID(const QString& aValue) { FExternalID = aValue; }
    QString SystemID() const { return FSystemID; }
    void setSystemID(const QString& aValue) { FSystemID = aValue; }

    // Members
    const TqelTransponderSet& Members() const { return FMembers; }
    // Deletes the members outside aValue (last first), then adds those of ids 0..99 that are
    // missing; one group notice. Nothing for an equal set.
    void setMemberSet(const TqelTransponderSet& aValue);
    TqelTransponderSet MemberSet() const { return FMembers; }
    int32_t MemberCount() const { return static_cast<int32_t>(FMemberList.size()); }
    // Raises EArgumentOutOfRangeException outside the list.
    TqelGroupMember* GetMember(int32_t anIndex) const;
    // Null for an id above 103 or not a member.
    TqelGroupMember* GetMemberByTransponderID(int32_t aTransponderId) const;
    TqelGroupMember* GetMemberByAntennaID(uint16_t aAntennaID) const;
    // The existing member of that id (0..103), else a new one with the transponder's role; null
    // without such a transponder.
    TqelGroupMember* NewMember(int32_t aTransponderId);
    // Takes ownership. A member whose transponder the dataset lacks is freed. A team's member
    // also joins every part group of its game.
    void AddMember(std::unique_ptr<TqelGroupMember> aMember);
    void AddAllTransponders();
    void AddAllTeamMembers();
    void AddTranspondersFromGame();
    // Recursief: a team's member also leaves the part groups of its game. No notice.
    void DeleteMember(int32_t aMemberIndex, bool Recursief);
    void DeleteMember(const TqelTransponderData& aTransponder, bool Recursief);
    void ClearMembers();

    // Visualisations: at most one per type.
    int32_t VisualisationCount() const { return static_cast<int32_t>(FVisualisations.size()); }
    const TqelVisualisationSet& VisualisationSet() const { return FVisualisationSet; }
    // Null when one of that type exists.
    TqelVisualisation* NewVisualisation(TqelVisualisationType aVisualisationType);
    void AddVisualisation(std::unique_ptr<TqelVisualisation> aVisualisation);
    void DeleteVisualisation(TqelVisualisation* aVisualisation);
    // Raises EArgumentOutOfRangeException outside the list.
    void DeleteVisualisation(int32_t aIndex);
    // Raises EArgumentOutOfRangeException when none of that type exists.
    void DeleteVisualisation(TqelVisualisationType aVisualisationType);
    TqelVisualisation* GetVisualisation(int32_t aIndex) const;
    TqelVisualisation* getVisualisationByType(TqelVisualisationType aVisualisationType) const;

    // Laps of a group race.
    int32_t LapCount() const { return static_cast<int32_t>(FLaps.size()); }
    TqelGroupLap* getLap(int32_t anIndex) const;
    // Appends an empty lap of that number (the group block's reader gives -1).
    TqelGroupLap* AppendLap(int32_t aLapNumber);

    // The group race (group_race.cpp), timed by the dataset's start markers; under ModelLock().
    // A member's transponder finished aLap. Nothing for a lap without a known exit, which is
    // answered without taking any lock: the transponders call it under their own locks.
    void MemberNewLap(const TqelLap& aLap);
    // Builds the race laps from the members' laps after a dataset on a team-pursuit track
    // was read.
    void OnAfterLoadDataSet();
    // Queries at a time: the race is the one of the latest start marker before it.
    int32_t CurrentRaceTime(int32_t aTimeStampInMS) const;
    int32_t LapsToGo(int32_t aTimeStampInMS) const;
    int32_t LastLapNumber(int32_t aTimeStampInMS) const;
    bool Isfinished(int32_t aTimeStampInMS) const;
    int32_t LastFinishTime(int32_t aTimeStampInMS) const;
    int32_t LastLapTime(int32_t aTimeStampInMS) const;

    QString ToString(TqelGroupToStringType aGroupToString) const;
    // Takes another dataset's group: its properties, and its members matched by antenna id.
    void AssignFromOther(TqelGroup& aGroup);

private:
    void NotifyChanged();
    // The part groups of this team's game, when this is a team of one.
    std::vector<TqelGroup*> PartGroupsOfGame() const;
    void RemoveMemberAt(int32_t anIndex);

    TqelDataset* FDataSet = nullptr;
    TqelGame* FGame = nullptr;
    int32_t FID = 0;
    TqelGroupType FGroupType = gtNone;
    QString FName;
    uint32_t FShirtColor = 0x1FFFFFFF;
    TqelTransponderSet FMembers;
    bool FVisibleIn3D = true;
    int32_t FNumberOfLaps = 0;
    int32_t FMembersToFinish = 0;
    std::vector<std::unique_ptr<TqelGroupMember>> FMemberList;
    std::vector<std::unique_ptr<TqelGroupLap>> FLaps;
    int32_t FScore = 0;
    std::vector<std::unique_ptr<TqelVisualisation>> FVisualisations;
    TqelVisualisationSet FVisualisationSet;
    TqelPlayDirection FPlayDirection = pldNone;
    QString FFormation;
    QString FExternalID;
    QString FSystemID;
    TqelGamePart* FGamePart = nullptr;
    QString FGUID;
};
