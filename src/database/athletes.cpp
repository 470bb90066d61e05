#include "database/athletes.h"

#include <QStringList>
#include <algorithm>

#include "database/schema.h"
#include "database/transaction_scope.h"

namespace {

const qel::SchemaTable kPlayerTable(
    "PLAYER",
    {"create table PLAYER (PLR_ID integer not null primary key, PLR_FIRSTNAME varchar(50) "
     "collate nocase, PLR_LASTNAME varchar(50) collate nocase, PLR_MIDDLENAME varchar(50) "
     "collate nocase, PLR_SHORTNAME varchar(50) collate nocase, PLR_LAST_WEIGHT float, "
     "PLR_LAST_HEIGHT float, PLR_RECON float, PLR_DATE_OF_BIRTH datetime, PLR_DEFAULT_TP_ID "
     "integer, PLR_DEFAULT_COLOR integer, PLR_SHIRTNUMBER integer, PLR_MAX_SPEED float, "
     "PLR_MAX_ACCELERATION float, PLR_MAX_DECEL float, PLR_MAX_HEARTBEAT integer, "
     "PLR_DTS_MAX_HB integer, PLR_ROLE integer, PLR_ACTIVE integer not null default 1, "
     "PLR_REGISTRATION_ID varchar(50) collate nocase, PLR_PREFERRED_ARM integer, "
     "PLR_SHORTCUT_CHAR varchar(10) collate nocase, PLR_SYSTEM_ID varchar(50) collate nocase, "
     "PLR_IMAGE_URL varchar(500) collate nocase)",
     "create index PLAYER_DEFAULT_TP on PLAYER (PLR_DEFAULT_TP_ID)"});
const qel::SchemaTable kPlayerImageTable(
    "PLAYER_IMAGE",
    {"create table PLAYER_IMAGE (PLR_ID integer not null primary key, PLR_IMAGE blob)"});
// Memberships over time; TP_END_DATE is NULL while one is open.
const qel::SchemaTable kTeamPlayerTable(
    "TEAM_PLR", {"create table TEAM_PLR (PLR_ID integer not null, TEAM_ID integer not null, "
                 "TP_START_DATE datetime, TP_END_DATE datetime)",
                 "create index TEAM_PLR_PLAYER on TEAM_PLR (PLR_ID, TP_END_DATE)",
                 "create index TEAM_PLR_TEAM on TEAM_PLR (TEAM_ID)"});
const qel::SchemaTable kPlayerExternalIdTable(
    "PLAYER_EXTERNAL_IDS",
    {"create table PLAYER_EXTERNAL_IDS (PLR_ID integer not null, DSC_ID integer not null, "
     "PLR_EXTERNAL_ID varchar(100) collate nocase, primary key (PLR_ID, DSC_ID))",
     "create index PLAYER_EXTERNAL_IDS_ID on PLAYER_EXTERNAL_IDS (DSC_ID, PLR_EXTERNAL_ID)"});

const QString kPLR_ID = QStringLiteral("PLR_ID");
const QString kTEAM_ID = QStringLiteral("TEAM_ID");

// The team of the athlete's open membership that started last.
const QString kCurrentTeam = QStringLiteral(
    "  (select top 1 TEAM_ID from TEAM_PLR where PLR_ID = PLAYER.PLR_ID and TP_END_DATE is null "
    "order by TP_START_DATE desc) as TEAM_ID");

}  // namespace

// ---- TqeldbTeamMember -----------------------------------------------------------------------

void TqeldbTeamMember::setTeamID(int32_t aValue) {
    qel::StoreChanged(FTeamID, aValue, [this] { FModified = true; });
}

void TqeldbTeamMember::setPlayerID(int32_t aValue) {
    qel::StoreChanged(FPlayerID, aValue, [this] { FModified = true; });
}

void TqeldbTeamMember::setStartDate(TDateTime aValue) {
    qel::StoreChanged(FStartDate, aValue, [this] { FModified = true; });
}

void TqeldbTeamMember::setEndDate(TDateTime aValue) {
    qel::StoreChanged(FEndDate, aValue, [this] { FModified = true; });
}

void TqeldbTeamMember::Assign(const TqeldbTeamMember& aValue) {
    FTeamID = aValue.FTeamID;
    FPlayerID = aValue.FPlayerID;
    FStartDate = aValue.FStartDate;
    FInitialStart = aValue.FInitialStart;
    FEndDate = aValue.FEndDate;
}

// ---- TqeldbPlayer ---------------------------------------------------------------------------

TqeldbPlayer::TqeldbPlayer() {
    FPicture.open(QIODevice::ReadWrite);
}

QString TqeldbPlayer::TotalName() const {
    QStringList parts;
    for (const QString* part : {&FFirstName, &FMiddleName, &FLastName}) {
        if (!part->isEmpty()) {
            parts << *part;
        }
    }
    return parts.join(u' ');
}

QBuffer& TqeldbPlayer::Picture() {
    FPicture.seek(0);
    return FPicture;
}

void TqeldbPlayer::Assign(const TqeldbPlayer& Value) {
    FID = Value.FID;
    FFirstName = Value.FFirstName;
    FLastName = Value.FLastName;
    FMiddleName = Value.FMiddleName;
    FShortName = Value.FShortName;
    FLastWeight = Value.FLastWeight;
    FLastHeight = Value.FLastHeight;
    FDefaultTransponderID = Value.FDefaultTransponderID;
    FDefaultColor = Value.FDefaultColor;
    FShirtNumber = Value.FShirtNumber;
    FCategory = Value.FCategory;
    FRole = Value.FRole;
    FMaxHeartbeat = Value.FMaxHeartbeat;
    FMaxHBDtsID = Value.FMaxHBDtsID;
    FMaxSpeed = Value.FMaxSpeed;
    FMaxAcceleration = Value.FMaxAcceleration;
    FMaxDeceleration = Value.FMaxDeceleration;
    FDateOfBirth = Value.FDateOfBirth;
    FActive = Value.FActive;
    FRegistrationID = Value.FRegistrationID;
    FRecon = Value.FRecon;
    FPreferredArm = Value.FPreferredArm;
    FShortcutChar = Value.FShortcutChar;
    FLastTeamID = Value.FLastTeamID;
    FExternalID = Value.FExternalID;
    FSystemID = Value.FSystemID;
    FDataSource = Value.FDataSource;
}

void TqeldbPlayer::AddToTeam(int32_t aTeamID) {
    if (aTeamID != 0) {
        FLastTeamID = aTeamID;
    }
}

QString TqeldbPlayer::AthleteName(TqelNameRepresenting aNameRepresenting) const {
    return FormatAthleteName(FFirstName, FMiddleName, FLastName, FShortName, aNameRepresenting);
}

// ---- TqeldbPlayers --------------------------------------------------------------------------

TqeldbPlayers::TqeldbPlayers(TqelDatabase* aDatabase) : FDatabase(aDatabase) {
    qel::Assert(aDatabase != nullptr, QStringLiteral("An accessor needs a database."));
    FSQL = std::make_unique<TqelQuery>(aDatabase->Connection());
}

TqeldbPlayer* TqeldbPlayers::AddPlayer() {
    FPlayers.push_back(std::make_unique<TqeldbPlayer>());
    return FPlayers.back().get();
}

TqeldbPlayer* TqeldbPlayers::GetPlayer(int aIndex) const {
    return qel::RowAt(FPlayers, aIndex);
}

void TqeldbPlayers::DataSetToPlayer(const TqelQuery& aSQL, TqeldbPlayer& aPlayer) {
    aPlayer.setID(aSQL.GetFieldAsInteger(kPLR_ID));
    aPlayer.setFirstName(aSQL.GetFieldAsString(QStringLiteral("PLR_FIRSTNAME")));
    aPlayer.setLastName(aSQL.GetFieldAsString(QStringLiteral("PLR_LASTNAME")));
    aPlayer.setMiddleName(aSQL.GetFieldAsString(QStringLiteral("PLR_MIDDLENAME")));
    aPlayer.setShortName(aSQL.GetFieldAsString(QStringLiteral("PLR_SHORTNAME")));
    aPlayer.setRecon(aSQL.GetFieldAsFloat(QStringLiteral("PLR_RECON")));
    aPlayer.setLastWeight(aSQL.GetFieldAsFloat(QStringLiteral("PLR_LAST_WEIGHT")));
    aPlayer.setLastHeight(aSQL.GetFieldAsFloat(QStringLiteral("PLR_LAST_HEIGHT")));
    aPlayer.setDateOfBirth(aSQL.GetFieldAsDateTime(QStringLiteral("PLR_DATE_OF_BIRTH")));
    aPlayer.setDefaultTransponderID(aSQL.GetFieldAsInteger(QStringLiteral("PLR_DEFAULT_TP_ID")));
    aPlayer.setDefaultColor(aSQL.GetFieldAsInteger(QStringLiteral("PLR_DEFAULT_COLOR")));
    aPlayer.setShirtNumber(aSQL.GetFieldAsInteger(QStringLiteral("PLR_SHIRTNUMBER")));
    aPlayer.setMaxSpeed(aSQL.GetFieldAsFloat(QStringLiteral("PLR_MAX_SPEED")));
    aPlayer.setMaxAcceleration(aSQL.GetFieldAsFloat(QStringLiteral("PLR_MAX_ACCELERATION")));
    aPlayer.setMaxDeceleration(aSQL.GetFieldAsFloat(QStringLiteral("PLR_MAX_DECEL")));
    aPlayer.setMaxHeartbeat(aSQL.GetFieldAsInteger(QStringLiteral("PLR_MAX_HEARTBEAT")));
    aPlayer.setMaxHBDtsID(aSQL.GetFieldAsInteger(QStringLiteral("PLR_DTS_MAX_HB")));
    aPlayer.setRole(aSQL.GetFieldAsInteger(QStringLiteral("PLR_ROLE")));
    aPlayer.setActive(aSQL.GetFieldAsInteger(QStringLiteral("PLR_ACTIVE")) != 0);
    aPlayer.setRegistrationID(aSQL.GetFieldAsString(QStringLiteral("PLR_REGISTRATION_ID")));
    aPlayer.setPreferredArm(aSQL.GetFieldAsInteger(QStringLiteral("PLR_PREFERRED_ARM")));
    aPlayer.setShortcutChar(aSQL.GetFieldAsString(QStringLiteral("PLR_SHORTCUT_CHAR")));
    aPlayer.setImageURL(aSQL.GetFieldAsString(QStringLiteral("PLR_IMAGE_URL")));
    aPlayer.setLastTeamID(aSQL.GetFieldAsInteger(kTEAM_ID));
    aPlayer.setSystemID(aSQL.GetFieldAsString(QStringLiteral("PLR_SYSTEM_ID")));
    aPlayer.setExternalID(aSQL.GetFieldAsString(QStringLiteral("PLR_EXTERNAL_ID")));
    aPlayer.setDataSource(static_cast<int8_t>(aSQL.GetFieldAsInteger(QStringLiteral("DSC_ID"))));
    aPlayer.setModified(false);
}

void TqeldbPlayers::PlayerToDataSet(const TqeldbPlayer& aPlayer) {
    TqelQuery& q = *FSQL;
    q.SetFieldAsString(QStringLiteral("PLR_FIRSTNAME"), aPlayer.FirstName());
    q.SetFieldAsString(QStringLiteral("PLR_LASTNAME"), aPlayer.LastName());
    q.SetFieldAsString(QStringLiteral("PLR_MIDDLENAME"), aPlayer.MiddleName());
    q.SetFieldAsString(QStringLiteral("PLR_SHORTNAME"), aPlayer.ShortName());
    q.SetFieldAsFloat(QStringLiteral("PLR_LAST_WEIGHT"), aPlayer.LastWeight());
    q.SetFieldAsFloat(QStringLiteral("PLR_LAST_HEIGHT"), aPlayer.LastHeight());
    q.SetFieldAsFloat(QStringLiteral("PLR_RECON"), aPlayer.Recon());
    q.SetFieldAsDateTime(QStringLiteral("PLR_DATE_OF_BIRTH"), aPlayer.DateOfBirth());
    q.SetFieldAsInteger(QStringLiteral("PLR_DEFAULT_TP_ID"), aPlayer.DefaultTransponderID());
    q.SetFieldAsInteger(QStringLiteral("PLR_DEFAULT_COLOR"), aPlayer.DefaultColor());
    q.SetFieldAsInteger(QStringLiteral("PLR_SHIRTNUMBER"), aPlayer.ShirtNumber());
    q.SetFieldAsFloat(QStringLiteral("PLR_MAX_SPEED"), aPlayer.MaxSpeed());
    q.SetFieldAsFloat(QStringLiteral("PLR_MAX_ACCELERATION"), aPlayer.MaxAcceleration());
    q.SetFieldAsFloat(QStringLiteral("PLR_MAX_DECEL"), aPlayer.MaxDeceleration());
    q.SetFieldAsInteger(QStringLiteral("PLR_MAX_HEARTBEAT"), aPlayer.MaxHeartbeat());
    q.SetFieldAsInteger(QStringLiteral("PLR_DTS_MAX_HB"), aPlayer.MaxHBDtsID());
    q.SetFieldAsInteger(QStringLiteral("PLR_ROLE"), aPlayer.Role());
    q.SetFieldAsIntegerReq(QStringLiteral("PLR_ACTIVE"), aPlayer.Active() ? 1 : 0);
    q.SetFieldAsString(QStringLiteral("PLR_REGISTRATION_ID"), aPlayer.RegistrationID());
    q.SetFieldAsIntegerReq(QStringLiteral("PLR_PREFERRED_ARM"), aPlayer.PreferredArm());
    q.SetFieldAsString(QStringLiteral("PLR_SHORTCUT_CHAR"), aPlayer.ShortcutChar());
    q.SetFieldAsString(QStringLiteral("PLR_SYSTEM_ID"), aPlayer.SystemID());
    q.SetFieldAsString(QStringLiteral("PLR_IMAGE_URL"), aPlayer.ImageURL());
}

void TqeldbPlayers::SelectWithCurrentTeam(int32_t aPlrID) {
    FSQL->setText(QStringLiteral("select *, "));
    FSQL->AddLine(kCurrentTeam);
    FSQL->AddLine(QStringLiteral("from PLAYER where PLR_ID = :PLR_ID"));
    FSQL->SetParamAsInteger(kPLR_ID, aPlrID);
}

void TqeldbPlayers::OpenForSave(int32_t aPlrID) {
    SelectWithCurrentTeam(aPlrID);
    if (aPlrID == 0) {
        QSqlQuery probe = FDatabase->Connection()->Execute(
            QStringLiteral("select 1 from PLAYER where PLR_ID = :PLR_ID"),
            {{kPLR_ID, qlonglong{0}}});
        const bool inUse = probe.next();
        probe.finish();
        if (!inUse && FSQL->OpenEmpty()) {
            return;
        }
    }
    FSQL->Open();
}

void TqeldbPlayers::OpenPlayers(bool aAppend,
                                const std::function<bool(const TqelQuery&)>& aAccept) {
    if (!aAppend) {
        FPlayers.clear();
    }
    qel::CloseAfter(*FSQL, [&] {
        FSQL->Open();
        for (; !FSQL->Eof(); FSQL->Next()) {
            if (!aAccept || aAccept(*FSQL)) {
                DataSetToPlayer(*FSQL, *AddPlayer());
            }
        }
    });
}

void TqeldbPlayers::Open(int32_t aPlrID) {
    FPlayers.clear();
    SelectWithCurrentTeam(aPlrID);
    OpenPlayers(false);
}

bool TqeldbPlayers::GetPlayerData(int32_t aPlrID, TqeldbPlayer* aPlayer) {
    if (!aPlayer) {
        return false;
    }
    FSQL->setText(QStringLiteral("select * from PLAYER where PLR_ID = :PLR_ID"));
    FSQL->SetParamAsInteger(kPLR_ID, aPlrID);
    bool found = false;
    qel::CloseAfter(*FSQL, [&] {
        FSQL->Open();
        found = !FSQL->IsEmpty();
        if (found) {
            DataSetToPlayer(*FSQL, *aPlayer);
        }
    });
    return found;
}

TqeldbPlayer* TqeldbPlayers::Locate(int32_t aPlayerID) {
    if (aPlayerID == 0) {
        return nullptr;
    }
    for (const auto& player : FPlayers) {
        if (player->ID() == aPlayerID) {
            return player.get();
        }
    }
    auto player = std::make_unique<TqeldbPlayer>();
    if (!GetPlayerData(aPlayerID, player.get())) {
        return nullptr;
    }
    FPlayers.push_back(std::move(player));
    return FPlayers.back().get();
}

TqeldbPlayer* TqeldbPlayers::LocateDefault(int32_t aTransponderID) const {
    for (const auto& player : FPlayers) {
        if (player->DefaultTransponderID() == aTransponderID) {
            return player.get();
        }
    }
    return nullptr;
}

void TqeldbPlayers::LoadPrepareRec(int32_t aPrepareRecordingID) {
    FPlayers.clear();
    FSQL->setText(
        QStringLiteral("select plr.*, prc.TEAM_ID from PLAYER plr inner join PREPARE_TRANSPONDER "
                       "prc on (prc.PLR_ID = plr.PLR_ID) where prc.PRC_ID = :PRC_ID"));
    FSQL->SetParamAsInteger(QStringLiteral("PRC_ID"), aPrepareRecordingID);
    OpenPlayers(false);
}

void TqeldbPlayers::Find(int32_t aTeamID, const QString& aLastName, const QString& aFirstName,
                         const QString& aShortName, bool aActiveOnly, const QString& aSystemID) {
    FPlayers.clear();
    FSQL->setText(QStringLiteral("select *, ") + kCurrentTeam.trimmed() +
                  QStringLiteral(" from PLAYER"));
    FSQL->Where(QStringLiteral("PLR_LASTNAME"), aLastName, true, false);
    FSQL->Where(QStringLiteral("PLR_FIRSTNAME"), aFirstName, true, false);
    FSQL->Where(QStringLiteral("PLR_SHORTNAME"), aShortName, true, false);
    FSQL->Where(QStringLiteral("PLR_ACTIVE"), aActiveOnly, true);
    FSQL->Where(QStringLiteral("PLR_SYSTEM_ID"), aSystemID, true, false);
    OpenPlayers(false, [aTeamID](const TqelQuery& aSQL) {
        return aTeamID == 0 || aSQL.GetFieldAsInteger(kTEAM_ID) == aTeamID;
    });
}

void TqeldbPlayers::FindByExternalID(int8_t aDataSource, const QString& anExternalID) {
    FPlayers.clear();
    if (anExternalID.isEmpty() || aDataSource <= 0) {
        return;
    }
    FSQL->setText(QStringLiteral("select plr.*, "));
    for (const char* line :
         {" pei.PLR_EXTERNAL_ID,", " pei.DSC_ID,",
          "(select top 1 tmp.TEAM_ID from TEAM_PLR tmp where tmp.PLR_ID = plr.PLR_ID and "
          "TP_END_DATE is null order by TP_START_DATE desc) as TEAM_ID ",
          "from PLAYER plr ",
          " join PLAYER_EXTERNAL_IDS pei on plr.PLR_ID = pei.PLR_ID and pei.DSC_ID = :DSC_ID",
          "where pei.PLR_EXTERNAL_ID = :PLR_EXTERNAL_ID"}) {
        FSQL->AddLine(QString::fromUtf8(line));
    }
    FSQL->SetParamAsInteger(QStringLiteral("DSC_ID"), aDataSource);
    FSQL->SetParamAsString(QStringLiteral("PLR_EXTERNAL_ID"), anExternalID);
    OpenPlayers(false);
}

void TqeldbPlayers::Save(TqeldbPlayer* aPlayer) {
    if (!aPlayer) {
        return;
    }
    const int32_t savedID = aPlayer->ID();
    bool inserting = false;
    try {
        // Key draw, row and team membership stand or fall together.
        qel::RunInTransaction(*FDatabase, [&] {
            bool teamChanged = false;
            qel::CloseAfter(*FSQL, [&] {
                OpenForSave(aPlayer->ID());
                if (FSQL->IsEmpty()) {
                    FSQL->Insert();
                    inserting = true;
                    aPlayer->setID(FDatabase->GetPrimaryKey(FSQL->FieldByName(kPLR_ID),
                                                            QStringLiteral("PLAYER")));
                    teamChanged = aPlayer->LastTeamID() != 0;
                } else {
                    teamChanged = FSQL->GetFieldAsInteger(kTEAM_ID) != aPlayer->LastTeamID();
                }
                try {
                    PlayerToDataSet(*aPlayer);
                    FSQL->Post();
                } catch (...) {
                    FSQL->Cancel();
                    throw;
                }
                aPlayer->setID(FSQL->GetFieldAsInteger(kPLR_ID));
            });
            if (teamChanged && aPlayer->ID() != 0) {
                ChangeTeam(aPlayer->ID(), aPlayer->LastTeamID(), Date());
            }
        });
    } catch (...) {
        // The key drawn for a new athlete went with the transaction: another may get it next.
        if (inserting) {
            aPlayer->setID(savedID);
        }
        throw;
    }
    aPlayer->setModified(false);
}

void TqeldbPlayers::SaveMaxSpeed(TqeldbPlayer* aPlayer) {
    if (!aPlayer) {
        return;
    }
    FSQL->setText(
        QStringLiteral("update PLAYER set PLR_MAX_SPEED = :PLR_MAX_SPEED where PLR_ID = :PLR_ID"));
    FSQL->SetParamAsFloat(QStringLiteral("PLR_MAX_SPEED"), aPlayer->MaxSpeed());
    FSQL->SetParamAsInteger(kPLR_ID, aPlayer->ID());
    FSQL->ExecSQL();
}

void TqeldbPlayers::ChangeTeam(int32_t aPlrID, int32_t aTeamID, TDateTime aStartDate) {
    FSQL->setText(
        QStringLiteral("update TEAM_PLR set TP_END_DATE = :END_DATE where PLR_ID = :PLR_ID and "
                       "TP_END_DATE is null and TEAM_ID <> :TEAM_ID"));
    FSQL->SetParamAsDatetime(QStringLiteral("END_DATE"), aStartDate);
    FSQL->SetParamAsInteger(kPLR_ID, aPlrID);
    FSQL->SetParamAsInteger(kTEAM_ID, aTeamID);
    FSQL->ExecSQL();
    if (aTeamID == 0) {
        return;
    }
    FSQL->setText(
        QStringLiteral("select * from TEAM_PLR where TEAM_ID = :TEAM_ID and PLR_ID = :PLR_ID and "
                       "TP_END_DATE is null"));
    FSQL->SetParamAsInteger(kTEAM_ID, aTeamID);
    FSQL->SetParamAsInteger(kPLR_ID, aPlrID);
    qel::CloseAfter(*FSQL, [&] {
        FSQL->Open();
        try {
            if (FSQL->IsEmpty()) {
                FSQL->Insert();
                FSQL->SetFieldAsIntegerReq(kPLR_ID, aPlrID);
                FSQL->SetFieldAsIntegerReq(kTEAM_ID, aTeamID);
                FSQL->SetFieldAsDateTime(QStringLiteral("TP_START_DATE"), aStartDate);
            }
            FSQL->SetFieldAsDateTime(QStringLiteral("TP_END_DATE"), 0);
            FSQL->Post();
        } catch (...) {
            FSQL->Cancel();
            throw;
        }
    });
}

void TqeldbPlayers::Delete(int32_t aPlrID) {
    FSQL->setText(QStringLiteral("delete from PLAYER where PLR_ID = :PLR_ID"));
    FSQL->SetParamAsInteger(kPLR_ID, aPlrID);
    FSQL->ExecSQL();
}

void TqeldbPlayers::Delete(TqeldbPlayer* aPlayer) {
    if (!aPlayer) {
        return;
    }
    Delete(aPlayer->ID());
    const auto listed =
        std::find_if(FPlayers.begin(), FPlayers.end(),
                     [aPlayer](const auto& aListed) { return aListed.get() == aPlayer; });
    if (listed != FPlayers.end()) {
        FPlayers.erase(listed);
    }
}

bool TqeldbPlayers::GetPicture(TqeldbPlayer* aPlayer) {
    if (!aPlayer || aPlayer->ID() == 0) {
        return false;
    }
    FSQL->setText(QStringLiteral("select * from PLAYER_IMAGE where PLR_ID = :PLR_ID"));
    FSQL->SetParamAsInteger(kPLR_ID, aPlayer->ID());
    bool found = false;
    qel::CloseAfter(*FSQL, [&] {
        FSQL->Open();
        found = !FSQL->IsEmpty();
        if (const qel::QueryField* image = FSQL->FindField(QStringLiteral("PLR_IMAGE"));
            found && image) {
            QBuffer& picture = aPlayer->Picture();
            picture.close();
            picture.setData(image->AsBytes());
            picture.open(QIODevice::ReadWrite);
        }
    });
    return found;
}

void TqeldbPlayers::SavePicture(TqeldbPlayer* aPlayer) {
    if (!aPlayer || aPlayer->ID() == 0) {
        return;
    }
    FSQL->setText(QStringLiteral("select * from PLAYER_IMAGE where PLR_ID = :PLR_ID"));
    FSQL->SetParamAsInteger(kPLR_ID, aPlayer->ID());
    qel::CloseAfter(*FSQL, [&] {
        FSQL->Open();
        try {
            if (FSQL->IsEmpty()) {
                FSQL->Insert();
                FSQL->SetFieldAsIntegerReq(kPLR_ID, aPlayer->ID());
            } else {
                FSQL->Edit();
            }
            FSQL->FieldByName(QStringLiteral("PLR_IMAGE"))->setValue(aPlayer->Picture().data());
            FSQL->Post();
        } catch (...) {
            FSQL->Cancel();
            throw;
        }
    });
}
