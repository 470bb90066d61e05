#pragma once

#include <QString>
#include <cstdint>

#include "database/db_component.h"
#include "database/generic_list.h"

// One team (TEAMS) with its id in an outside data source (TEAM_EXTERNAL_IDS).
class TqeldbTeam : public TqelDBComponent {
public:
    explicit TqeldbTeam(TqelDatabase* AOwner);

    int32_t ID() const { return FID; }
    void setID(int32_t aValue);
    const QString& TeamName() const { return FTeamName; }
    void setTeamName(const QString& aValue);
    const QString& Description() const { return FDescription; }
    void setDescription(const QString& aValue);
    int32_t ClubID() const { return FClubID; }
    void setClubID(int32_t aValue);
    bool Active() const { return FActive; }
    void setActive(bool aValue);
    const QString& SystemID() const { return FSystemID; }
    void setSystemID(const QString& aValue);
    // The external id and its data source mark ExternalIDModified instead of Modified.
    bool ExternalIDModified() const { return FExternalIDModified; }
    void setExternalIDModified(bool aValue) { FExternalIDModified = aValue; }
    const QString& ExternalID() const { return FExternalID; }
    void setExternalID(const QString& aValue);
    int8_t DataSource() const { return FDataSource; }
    void setDataSource(int8_t aValue);

    void PrepareSave(TqelQuery& aSQL) override;
    static void PrepareOpen(TqelQuery& aSQL);
    // Removes the team's memberships first; its external ids stay.
    void Delete(TqelQuery& aSQL) override;
    void AfterInsert(TqelQuery& aSQL) override;
    // Reads the external id and data source too when the result joined them.
    void DataSetToVaruza(TqelQuery& aSQL) override;
    void VaruzaToDataSet(TqelQuery& aSQL) override;

private:
    int32_t FID = 0;
    QString FTeamName;
    QString FDescription;
    int32_t FClubID = 0;
    bool FActive = true;
    QString FSystemID;
    bool FExternalIDModified = false;
    QString FExternalID;
    int8_t FDataSource = 0;
};

// A TEAM_EXTERNAL_IDS row, identified by team and data source together. It cannot be deleted.
class TqeldbTeamExternalID : public TqelDBComponent {
public:
    explicit TqeldbTeamExternalID(TqelDatabase* AOwner);

    int32_t TeamID() const { return FTeamID; }
    void setTeamID(int32_t aValue) { FTeamID = aValue; }
    const QString& ExternalID() const { return FExternalID; }
    void setExternalID(const QString& aValue) { FExternalID = aValue; }
    int8_t DataSource() const { return FDataSource; }
    void setDataSource(int8_t aValue) { FDataSource = aValue; }

    void PrepareSave(TqelQuery& aSQL) override;
    static void PrepareOpen(TqelQuery& aSQL);
    void PrepareParams(TqelQuery& aSQL) override;
    void DataSetToVaruza(TqelQuery& aSQL) override;
    // Team and data source are written as they are, 0 included, so that the row is found
    // again by them.
    void VaruzaToDataSet(TqelQuery& aSQL) override;

private:
    int32_t FTeamID = 0;
    QString FExternalID;
    int8_t FDataSource = 0;
};

// The teams of a database, with look-ups in the loaded list (names without regard to case).
class TqeldbTeams : public TqelGenericDatabaseVaruza<TqeldbTeam> {
public:
    using TqelGenericDatabaseVaruza<TqeldbTeam>::TqelGenericDatabaseVaruza;

    // Replaces the list with the teams that match, ordered by name. 0 and empty texts filter
    // nothing; names, system ids and external ids match by prefix. The external id counts only
    // with a data source. The query stays open.
    void Find(int32_t aTeamID, const QString& aTeamName, int32_t aClubID, bool anActiveOnly,
              const QString& aSystemID, int8_t aDataSource, const QString& anExternalID);
    // The team, then its external id when that changed.
    void Save(TqeldbTeam* aTeam) override;

    // The last listed team with that id.
    TqeldbTeam* TeamByID(int32_t aTeamID) const;
    TqeldbTeam* TeamByName(const QString& aTeamName) const;
    TqeldbTeam* TeamBySystemID(const QString& aSystemID) const;
    int32_t IDByName(const QString& aTeamName) const;
    // The one team whose external id in aDataSource starts with anExternalID; null when there
    // is none or more than one, and for an empty id or a data source not above 0.
    TqeldbTeam* TeamByExternalID(int8_t aDataSource, const QString& anExternalID);
};
