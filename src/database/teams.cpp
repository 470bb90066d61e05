#include "database/teams.h"

#include "database/row_helpers.h"
#include "database/schema.h"
#include "platform/text_compare.h"

namespace {

const qel::SchemaTable kTeamsTable(
    "TEAMS", {"create table TEAMS (TEAM_ID integer not null primary key, TEAM_NAME varchar(100) "
              "collate nocase, TEAM_DESCRIPTION varchar(255) collate nocase, CLB_ID integer, "
              "TEAM_ACTIVE bit, TEAM_SYSTEM_ID varchar(50) collate nocase)"});
const qel::SchemaTable kTeamExternalIdTable(
    "TEAM_EXTERNAL_IDS",
    {"create table TEAM_EXTERNAL_IDS (TEAM_ID integer not null, DSC_ID integer not null, "
     "TEAM_EXTERNAL_ID varchar(100) collate nocase, primary key (TEAM_ID, DSC_ID))",
     "create index TEAM_EXTERNAL_IDS_ID on TEAM_EXTERNAL_IDS (DSC_ID, TEAM_EXTERNAL_ID)"});

const QString kTEAM_ID = QStringLiteral("TEAM_ID");
const QString kDSC_ID = QStringLiteral("DSC_ID");
const QString kTEAM_EXTERNAL_ID = QStringLiteral("TEAM_EXTERNAL_ID");

}  // namespace

// ---- TqeldbTeam -----------------------------------------------------------------------------

TqeldbTeam::TqeldbTeam(TqelDatabase* AOwner) : TqelDBComponent(AOwner) {}

void TqeldbTeam::setID(int32_t aValue) {
    qel::StoreChanged(FID, aValue, [this] { setModified(true); });
}

void TqeldbTeam::setTeamName(const QString& aValue) {
    qel::StoreChanged(FTeamName, aValue, [this] { setModified(true); });
}

void TqeldbTeam::setDescription(const QString& aValue) {
    qel::StoreChanged(FDescription, aValue, [this] { setModified(true); });
}

void TqeldbTeam::setClubID(int32_t aValue) {
    qel::StoreChanged(FClubID, aValue, [this] { setModified(true); });
}

void TqeldbTeam::setActive(bool aValue) {
    qel::StoreChanged(FActive, aValue, [this] { setModified(true); });
}

void TqeldbTeam::setSystemID(const QString& aValue) {
    qel::StoreChanged(FSystemID, aValue, [this] { setModified(true); });
}

void TqeldbTeam::setExternalID(const QString& aValue) {
    qel::StoreChanged(FExternalID, aValue, [this] { FExternalIDModified = true; });
}

void TqeldbTeam::setDataSource(int8_t aValue) {
    qel::StoreChanged(FDataSource, aValue, [this] { FExternalIDModified = true; });
}

void TqeldbTeam::PrepareSave(TqelQuery& aSQL) {
    aSQL.setText(QStringLiteral("select * from TEAMS where TEAM_ID = :TEAM_ID"));
    aSQL.SetParamAsInteger(kTEAM_ID, FID);
}

void TqeldbTeam::PrepareOpen(TqelQuery& aSQL) {
    aSQL.setText(QStringLiteral("select * from TEAMS "));
}

void TqeldbTeam::Delete(TqelQuery& aSQL) {
    for (const QString& statement :
         {QStringLiteral("delete from TEAM_PLR where TEAM_ID = :TEAM_ID"),
          QStringLiteral("delete from TEAMS where TEAM_ID = :TEAM_ID")}) {
        aSQL.setText(statement);
        aSQL.SetParamAsInteger(kTEAM_ID, FID);
        aSQL.ExecSQL();
    }
}

void TqeldbTeam::AfterInsert(TqelQuery& aSQL) {
    setID(GetPrimaryKey(aSQL, kTEAM_ID, QStringLiteral("TEAMS")));
}

void TqeldbTeam::DataSetToVaruza(TqelQuery& aSQL) {
    setID(aSQL.GetFieldAsInteger(kTEAM_ID));
    setTeamName(aSQL.GetFieldAsString(QStringLiteral("TEAM_NAME")));
    setClubID(aSQL.GetFieldAsInteger(QStringLiteral("CLB_ID")));
    setDescription(aSQL.GetFieldAsString(QStringLiteral("TEAM_DESCRIPTION")));
    setActive(aSQL.GetFieldAsInteger(QStringLiteral("TEAM_ACTIVE")) != 0);
    setSystemID(aSQL.GetFieldAsString(QStringLiteral("TEAM_SYSTEM_ID")));
    setExternalID(aSQL.GetFieldAsString(kTEAM_EXTERNAL_ID));
    setDataSource(static_cast<int8_t>(aSQL.GetFieldAsInteger(kDSC_ID)));
    FExternalIDModified = false;
}

void TqeldbTeam::VaruzaToDataSet(TqelQuery& aSQL) {
    aSQL.SetFieldAsString(QStringLiteral("TEAM_NAME"), FTeamName);
    aSQL.SetFieldAsString(QStringLiteral("TEAM_DESCRIPTION"), FDescription);
    aSQL.SetFieldAsInteger(QStringLiteral("CLB_ID"), FClubID);
    aSQL.SetFieldAsBoolean(QStringLiteral("TEAM_ACTIVE"), FActive);
    aSQL.SetFieldAsString(QStringLiteral("TEAM_SYSTEM_ID"), FSystemID);
}

// ---- TqeldbTeamExternalID -------------------------------------------------------------------

TqeldbTeamExternalID::TqeldbTeamExternalID(TqelDatabase* AOwner) : TqelDBComponent(AOwner) {}

void TqeldbTeamExternalID::PrepareSave(TqelQuery& aSQL) {
    PrepareOpen(aSQL);
    PrepareParams(aSQL);
}

void TqeldbTeamExternalID::PrepareOpen(TqelQuery& aSQL) {
    aSQL.setText(QStringLiteral(
        "select * from TEAM_EXTERNAL_IDS where TEAM_ID = :TEAM_ID and DSC_ID =:DSC_ID"));
}

void TqeldbTeamExternalID::PrepareParams(TqelQuery& aSQL) {
    aSQL.SetParamAsInteger(kTEAM_ID, FTeamID);
    aSQL.SetParamAsInteger(kDSC_ID, FDataSource);
}

void TqeldbTeamExternalID::DataSetToVaruza(TqelQuery& aSQL) {
    FTeamID = aSQL.GetFieldAsInteger(kTEAM_ID);
    FDataSource = static_cast<int8_t>(aSQL.GetFieldAsInteger(kDSC_ID));
    FExternalID = aSQL.GetFieldAsString(kTEAM_EXTERNAL_ID);
}

void TqeldbTeamExternalID::VaruzaToDataSet(TqelQuery& aSQL) {
    aSQL.SetFieldAsIntegerReq(kTEAM_ID, FTeamID);
    aSQL.SetFieldAsIntegerReq(kDSC_ID, FDataSource);
    aSQL.SetFieldAsString(kTEAM_EXTERNAL_ID, FExternalID);
}

// ---- TqeldbTeams ----------------------------------------------------------------------------

void TqeldbTeams::Find(int32_t aTeamID, const QString& aTeamName, int32_t aClubID,
                       bool anActiveOnly, const QString& aSystemID, int8_t aDataSource,
                       const QString& anExternalID) {
    TqelQuery& query = SQL();
    TqeldbTeam::PrepareOpen(query);
    const bool joined = aDataSource != 0 && !anExternalID.isEmpty();
    if (joined) {
        query.AddLine(
            QStringLiteral(" join TEAM_EXTERNAL_IDS tei on (TEAMS.TEAM_ID = tei.TEAM_ID and "
                           "tei.DSC_ID = :DSC_ID)"));
        query.SetParamAsInteger(kDSC_ID, aDataSource);
        query.Where(kTEAM_EXTERNAL_ID, anExternalID, true, false);
    }
    if (aTeamID != 0) {
        // Qualified: with the join both tables have a TEAM_ID.
        query.AddLine(query.WhereCount() == 0 ? QStringLiteral(" where ")
                                              : QStringLiteral(" and "));
        query.AddLine(QStringLiteral("TEAMS.TEAM_ID = :TEAM_ID"));
        query.setWhereCount(query.WhereCount() + 1);
        query.SetParamAsInteger(kTEAM_ID, aTeamID);
    }
    query.Where(QStringLiteral("TEAM_NAME"), aTeamName, true, false);
    query.Where(QStringLiteral("TEAM_SYSTEM_ID"), aSystemID, true, false);
    query.Where(QStringLiteral("CLB_ID"), aClubID, true, false);
    query.Where(QStringLiteral("TEAM_ACTIVE"), anActiveOnly, true);
    query.OrderBy(QStringLiteral("TEAM_NAME"), true);
    OpenList();
}

void TqeldbTeams::Save(TqeldbTeam* aTeam) {
    TqelGenericDatabaseVaruza<TqeldbTeam>::Save(aTeam);
    if (!aTeam->ExternalIDModified()) {
        return;
    }
    TqelGenericDatabaseVaruza<TqeldbTeamExternalID> externalIds(Database());
    TqeldbTeamExternalID* row = externalIds.AddVaruza();
    row->setTeamID(aTeam->ID());
    row->setDataSource(aTeam->DataSource());
    row->setExternalID(aTeam->ExternalID());
    externalIds.Save(row);
}

TqeldbTeam* TqeldbTeams::TeamByID(int32_t aTeamID) const {
    TqeldbTeam* found = nullptr;
    for (const auto& team : VaruzaList()) {
        if (team->ID() == aTeamID) {
            found = team.get();
        }
    }
    return found;
}

TqeldbTeam* TqeldbTeams::TeamByName(const QString& aTeamName) const {
    for (const auto& team : VaruzaList()) {
        if (qel::SameText(team->TeamName(), aTeamName)) {
            return team.get();
        }
    }
    return nullptr;
}

TqeldbTeam* TqeldbTeams::TeamBySystemID(const QString& aSystemID) const {
    for (const auto& team : VaruzaList()) {
        if (qel::SameText(team->SystemID(), aSystemID)) {
            return team.get();
        }
    }
    return nullptr;
}

int32_t TqeldbTeams::IDByName(const QString& aTeamName) const {
    const TqeldbTeam* team = TeamByName(aTeamName);
    return team ? team->ID() : 0;
}

TqeldbTeam* TqeldbTeams::TeamByExternalID(int8_t aDataSource, const QString& anExternalID) {
    // Without a data source Find would list every team.
    if (anExternalID.isEmpty() || aDataSource <= 0) {
        return nullptr;
    }
    Find(0, QString(), 0, false, QString(), aDataSource, anExternalID);
    return Count() == 1 ? Varuzas(0) : nullptr;
}
