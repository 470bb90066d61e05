#pragma once

#include <QBuffer>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "database/database.h"
#include "database/query.h"
#include "database/row_helpers.h"
#include "foundation/text_utils.h"
#include "platform/date_time.h"

// One membership of an athlete in a team, from one date to another.
class TqeldbTeamMember {
public:
    int32_t TeamID() const { return FTeamID; }
    void setTeamID(int32_t aValue);
    int32_t PlayerID() const { return FPlayerID; }
    void setPlayerID(int32_t aValue);
    TDateTime StartDate() const { return FStartDate; }
    void setStartDate(TDateTime aValue);
    TDateTime InitialStart() const { return FInitialStart; }
    void setInitialStart(TDateTime aValue) { FInitialStart = aValue; }
    TDateTime EndDate() const { return FEndDate; }
    void setEndDate(TDateTime aValue);
    bool Modified() const { return FModified; }
    void setModified(bool aValue) { FModified = aValue; }

    // Copies the ids and dates, not Modified.
    void Assign(const TqeldbTeamMember& aValue);

private:
    int32_t FTeamID = 0;
    int32_t FPlayerID = 0;
    TDateTime FStartDate = 0;
    TDateTime FInitialStart = 0;
    TDateTime FEndDate = 0;
    bool FModified = false;
};

// One athlete (PLAYER) with its picture and its current team. Read and written through
// TqeldbPlayers.
class TqeldbPlayer {
public:
    TqeldbPlayer();
    TqeldbPlayer(const TqeldbPlayer&) = delete;
    TqeldbPlayer& operator=(const TqeldbPlayer&) = delete;

    int32_t ID() const { return FID; }
    void setID(int32_t aValue) { Store(FID, aValue); }
    const QString& FirstName() const { return FFirstName; }
    void setFirstName(const QString& aValue) { Store(FFirstName, aValue); }
    const QString& LastName() const { return FLastName; }
    void setLastName(const QString& aValue) { Store(FLastName, aValue); }
    const QString& MiddleName() const { return FMiddleName; }
    void setMiddleName(const QString& aValue) { Store(FMiddleName, aValue); }
    const QString& ShortName() const { return FShortName; }
    void setShortName(const QString& aValue) { Store(FShortName, aValue); }
    // First, middle and last name joined by single blanks, empty parts left out.
    QString TotalName() const;
    double LastWeight() const { return FLastWeight; }
    void setLastWeight(double aValue) { Store(FLastWeight, aValue); }
    double LastHeight() const { return FLastHeight; }
    void setLastHeight(double aValue) { Store(FLastHeight, aValue); }
    int32_t DefaultTransponderID() const { return FDefaultTransponderID; }
    void setDefaultTransponderID(int32_t aValue) { Store(FDefaultTransponderID, aValue); }
    // 0x00BBGGRR.
    int32_t DefaultColor() const { return FDefaultColor; }
    void setDefaultColor(int32_t aValue) { Store(FDefaultColor, aValue); }
    int32_t ShirtNumber() const { return FShirtNumber; }
    void setShirtNumber(int32_t aValue) { Store(FShirtNumber, aValue); }
    // Not stored.
    const QString& Category() const { return FCategory; }
    void setCategory(const QString& aValue) { Store(FCategory, aValue); }
    int32_t Role() const { return FRole; }
    void setRole(int32_t aValue) { Store(FRole, aValue); }
    int32_t MaxHeartbeat() const { return FMaxHeartbeat; }
    void setMaxHeartbeat(int32_t aValue) { Store(FMaxHeartbeat, aValue); }
    // The dataset in which the maximum heart rate was measured.
    int32_t MaxHBDtsID() const { return FMaxHBDtsID; }
    void setMaxHBDtsID(int32_t aValue) { Store(FMaxHBDtsID, aValue); }
    double MaxSpeed() const { return FMaxSpeed; }
    void setMaxSpeed(double aValue) { Store(FMaxSpeed, aValue); }
    double MaxAcceleration() const { return FMaxAcceleration; }
    void setMaxAcceleration(double aValue) { Store(FMaxAcceleration, aValue); }
    double MaxDeceleration() const { return FMaxDeceleration; }
    void setMaxDeceleration(double aValue) { Store(FMaxDeceleration, aValue); }
    TDateTime DateOfBirth() const { return FDateOfBirth; }
    void setDateOfBirth(TDateTime aValue) { Store(FDateOfBirth, aValue); }
    // Active, SystemID and DataSource leave Modified alone.
    bool Active() const { return FActive; }
    void setActive(bool aValue) { FActive = aValue; }
    bool Modified() const { return FModified; }
    void setModified(bool aValue) { FModified = aValue; }
    const QString& RegistrationID() const { return FRegistrationID; }
    void setRegistrationID(const QString& aValue) { Store(FRegistrationID, aValue); }
    // 0 means the default of 4.0.
    double Recon() const { return FRecon; }
    void setRecon(double aValue) { Store(FRecon, aValue == 0 ? 4.0 : aValue); }
    int32_t PreferredArm() const { return FPreferredArm; }
    void setPreferredArm(int32_t aValue) { Store(FPreferredArm, aValue); }
    const QString& ShortcutChar() const { return FShortcutChar; }
    void setShortcutChar(const QString& aValue) { Store(FShortcutChar, aValue); }
    // The current team; saving the athlete moves its membership when this changed.
    int32_t LastTeamID() const { return FLastTeamID; }
    void setLastTeamID(int32_t aValue) { Store(FLastTeamID, aValue); }
    const QString& ImageURL() const { return FImageURL; }
    void setImageURL(const QString& aValue) { Store(FImageURL, aValue); }
    // The picture, rewound; GetPicture fills it, SavePicture stores all of it.
    QBuffer& Picture();
    // The athlete's id in its data source; read from the database, never written.
    const QString& ExternalID() const { return FExternalID; }
    void setExternalID(const QString& aValue) { Store(FExternalID, aValue); }
    const QString& SystemID() const { return FSystemID; }
    void setSystemID(const QString& aValue) { FSystemID = aValue; }
    int8_t DataSource() const { return FDataSource; }
    void setDataSource(int8_t aValue) { FDataSource = aValue; }
    std::vector<std::unique_ptr<TqeldbTeamMember>>& TeamMembers() { return FTeamMembers; }

    // Copies every value but ImageURL, Modified, the memberships and the picture.
    void Assign(const TqeldbPlayer& Value);
    // Makes aTeamID the current team (0 changes nothing); Modified is left alone.
    void AddToTeam(int32_t aTeamID);
    QString AthleteName(TqelNameRepresenting aNameRepresenting) const;

private:
    template <class T>
    void Store(T& aField, const T& aValue) {
        qel::StoreChanged(aField, aValue, [this] { FModified = true; });
    }

    int32_t FID = 0;
    QString FFirstName;
    QString FLastName;
    QString FMiddleName;
    QString FShortName;
    double FLastWeight = 80.0;
    double FLastHeight = 1.8;
    int32_t FDefaultTransponderID = 0;
    int32_t FDefaultColor = 255;
    int32_t FShirtNumber = 0;
    QString FCategory;
    int32_t FRole = 0;
    int32_t FMaxHeartbeat = 200;
    int32_t FMaxHBDtsID = 0;
    double FMaxSpeed = 25.0;
    double FMaxAcceleration = 7.0;
    double FMaxDeceleration = 7.0;
    TDateTime FDateOfBirth = 0;
    bool FActive = true;
    bool FModified = false;
    QString FRegistrationID;
    double FRecon = 4.0;
    int32_t FPreferredArm = 2;
    QString FShortcutChar;
    int32_t FLastTeamID = 0;
    QString FImageURL;
    QBuffer FPicture;
    QString FExternalID;
    QString FSystemID;
    int8_t FDataSource = 0;
    std::vector<std::unique_ptr<TqeldbTeamMember>> FTeamMembers;
};

// The athletes of a database: loads them into a list it owns, saves them with their team
// membership (TEAM_PLR) and stores their pictures (PLAYER_IMAGE). Loading operations replace
// the list; Locate and AddPlayer append to it.
class TqeldbPlayers {
public:
    using TPlayerList = std::vector<std::unique_ptr<TqeldbPlayer>>;

    explicit TqeldbPlayers(TqelDatabase* aDatabase);
    TqeldbPlayers(const TqeldbPlayers&) = delete;
    TqeldbPlayers& operator=(const TqeldbPlayers&) = delete;

    TqeldbPlayer* AddPlayer();
    void Clear() { FPlayers.clear(); }
    int Count() const { return static_cast<int>(FPlayers.size()); }
    // Raises EArgumentOutOfRangeException outside the list.
    TqeldbPlayer* GetPlayer(int aIndex) const;
    TPlayerList& Players() { return FPlayers; }
    TqelQuery& SQL() const { return *FSQL; }

    // The athlete with its current team; an empty list when there is none.
    void Open(int32_t aPlrID);
    // The PLAYER row alone (no current team) into aPlayer; false without athlete or row.
    bool GetPlayerData(int32_t aPlrID, TqeldbPlayer* aPlayer);
    // A listed athlete, else the stored one, which is then listed; null for 0 or none.
    TqeldbPlayer* Locate(int32_t aPlayerID);
    // The first listed athlete with that default transponder; reads nothing.
    TqeldbPlayer* LocateDefault(int32_t aTransponderID) const;
    // The athletes of a session preparation, each with the team the preparation gives it.
    void LoadPrepareRec(int32_t aPrepareRecordingID);
    // Athletes whose current team is aTeamID (any team for 0), filtered by name and system-id
    // prefixes and the active flag; empty filters are left out.
    void Find(int32_t aTeamID, const QString& aLastName, const QString& aFirstName,
              const QString& aShortName, bool aActiveOnly, const QString& aSystemID);
    // Athletes whose id in data source aDataSource (above 0) is exactly anExternalID.
    void FindByExternalID(int8_t aDataSource, const QString& anExternalID);

    // Inserts (new key from "PLAYER") or updates the row; a changed current team ends the
    // other memberships today and opens one for the new team. One transaction, or part of the
    // caller's; a new athlete whose save fails keeps the id it had.
    void Save(TqeldbPlayer* aPlayer);
    void SaveMaxSpeed(TqeldbPlayer* aPlayer);
    // Ends the athlete's open memberships of other teams on aStartDate and opens one for
    // aTeamID from that date unless it is open already; team 0 leaves none open.
    void ChangeTeam(int32_t aPlrID, int32_t aTeamID, TDateTime aStartDate);
    // Deletes the PLAYER row only (pictures, memberships and external ids stay); a listed
    // athlete is removed from the list and freed.
    void Delete(TqeldbPlayer* aPlayer);
    void Delete(int32_t aPlrID);

    // True when the athlete has a PLAYER_IMAGE row; its picture then holds the stored bytes.
    bool GetPicture(TqeldbPlayer* aPlayer);
    void SavePicture(TqeldbPlayer* aPlayer);

private:
    void OpenPlayers(bool aAppend, const std::function<bool(const TqelQuery&)>& aAccept = {});
    static void DataSetToPlayer(const TqelQuery& aSQL, TqeldbPlayer& aPlayer);
    void PlayerToDataSet(const TqeldbPlayer& aPlayer);
    void SelectWithCurrentTeam(int32_t aPlrID);
    // Opens the select of SelectWithCurrentTeam; a new athlete's id is asked for with one
    // column first, since it is almost never in use and the whole row costs more to read.
    void OpenForSave(int32_t aPlrID);

    TqelDatabase* FDatabase;
    std::unique_ptr<TqelQuery> FSQL;
    TPlayerList FPlayers;
};
