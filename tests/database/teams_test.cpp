#include <gtest/gtest.h>

#include "database/teams.h"
#include "sqlite_file_fixture.h"

namespace {

class TeamsTest : public qel::test::SqliteFileTest {
protected:
    QStringList ExternalIds() {
        return Rows(QStringLiteral("select * from TEAM_EXTERNAL_IDS order by TEAM_ID, DSC_ID"));
    }

    static QStringList Names(const TqeldbTeams& aTeams) {
        QStringList names;
        for (int i = 0; i < aTeams.Count(); ++i) {
            names << aTeams.Varuzas(i)->TeamName();
        }
        return names;
    }

    // Teams 1 "Blue" (club 4), 2 "alpha" (inactive), 3 "Bravo" with system ids and external
    // ids in data source 3.
    void AddTeams() {
        Exec(
            QStringLiteral("insert into TEAMS values (1, 'Blue', null, 4, 1, 'SYS-B'), (2, "
                           "'alpha', null, null, 0, 'sys-a'), (3, 'Bravo', 'd', null, 1, null)"));
        Exec(
            QStringLiteral("insert into TEAM_EXTERNAL_IDS values (1, 3, 'E-10'), (3, 3, 'E-11'), "
                           "(2, 5, 'E-10')"));
    }
};

TEST_F(TeamsTest, RepeatedSavesKeepOneExternalIdRow) {
    for (const int8_t source : {int8_t{0}, int8_t{3}}) {
        SCOPED_TRACE(int{source});
        Exec(QStringLiteral("delete from TEAMS"));
        Exec(QStringLiteral("delete from TEAM_EXTERNAL_IDS"));
        TqeldbTeams teams(database.get());
        TqeldbTeam* team = teams.AddVaruza();
        EXPECT_TRUE(team->Active());
        team->setTeamName(QStringLiteral("Reds"));
        team->setExternalID(QStringLiteral("R-1"));
        team->setDataSource(source);
        EXPECT_TRUE(team->ExternalIDModified());
        teams.Save(team);
        const int32_t id = team->ID();
        EXPECT_EQ(id, LastKey(QStringLiteral("TEAMS")));
        EXPECT_FALSE(team->Modified());
        EXPECT_TRUE(team->ExternalIDModified()) << "stays set";

        teams.Save(team);
        team->setTeamName(QStringLiteral("Red"));
        teams.Save(team);
        team->setExternalID(QStringLiteral("R-2"));
        teams.Save(team);
        EXPECT_EQ(ExternalIds(), QStringList{QStringLiteral("%1 %2 R-2").arg(id).arg(int{source})});
        EXPECT_EQ(Rows(QStringLiteral("select TEAM_ID, TEAM_NAME, TEAM_ACTIVE from TEAMS")),
                  QStringList{QStringLiteral("%1 Red True").arg(id)});
    }
}

TEST_F(TeamsTest, FindFiltersAndOrdersByName) {
    AddTeams();
    TqeldbTeams teams(database.get());
    struct Case {
        int32_t Team;
        const char* Name;
        int32_t Club;
        bool ActiveOnly;
        const char* SystemID;
        int8_t Source;
        const char* External;
        QStringList Names;
    };
    const Case cases[] = {
        {0, "", 0, false, "", 0, "", {"alpha", "Blue", "Bravo"}},
        {0, "b", 0, false, "", 0, "", {"Blue", "Bravo"}},
        {0, "", 0, true, "", 0, "", {"Blue", "Bravo"}},
        {0, "", 4, false, "", 0, "", {"Blue"}},
        {0, "", 0, false, "SYS", 0, "", {"alpha", "Blue"}},
        {3, "", 0, false, "", 0, "", {"Bravo"}},
        {0, "", 0, false, "", 3, "E-1", {"Blue", "Bravo"}},
        {0, "", 0, false, "", 0, "E-1", {"alpha", "Blue", "Bravo"}},
        {3, "", 0, false, "", 3, "E-1", {"Bravo"}},
        {0, "", 0, false, "", 5, "E-11", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.Team << " '" << c.Name << "' " << c.Club << " " << c.ActiveOnly << " '"
                     << c.SystemID << "' " << int{c.Source} << " '" << c.External << "'");
        teams.Find(c.Team, QString::fromUtf8(c.Name), c.Club, c.ActiveOnly,
                   QString::fromUtf8(c.SystemID), c.Source, QString::fromUtf8(c.External));
        EXPECT_EQ(Names(teams), c.Names);
    }

    teams.Find(0, QString(), 0, false, QString(), 3, QStringLiteral("E-11"));
    ASSERT_EQ(teams.Count(), 1);
    const TqeldbTeam& bravo = *teams.Varuzas(0);
    EXPECT_EQ(bravo.ID(), 3);
    EXPECT_EQ(bravo.Description(), QStringLiteral("d"));
    EXPECT_EQ(bravo.ExternalID(), QStringLiteral("E-11"));
    EXPECT_EQ(bravo.DataSource(), 3);
    EXPECT_FALSE(bravo.Modified());
    EXPECT_FALSE(bravo.ExternalIDModified());
}

TEST_F(TeamsTest, LookUps) {
    AddTeams();
    TqeldbTeams teams(database.get());
    // An external id that starts two teams' ids finds neither; without a data source (0 or
    // less) nothing is found, even when the database holds one team only.
    EXPECT_EQ(teams.TeamByExternalID(3, QStringLiteral("E-1")), nullptr);
    ASSERT_NE(teams.TeamByExternalID(3, QStringLiteral("E-11")), nullptr);
    EXPECT_EQ(teams.TeamByExternalID(3, QStringLiteral("E-11"))->ID(), 3);
    EXPECT_EQ(teams.TeamByExternalID(5, QStringLiteral("E-1"))->ID(), 2);
    EXPECT_EQ(teams.TeamByExternalID(3, QString()), nullptr);
    Exec(QStringLiteral("delete from TEAMS where TEAM_ID <> 1"));
    for (const int8_t source : {int8_t{0}, int8_t{-3}}) {
        EXPECT_EQ(teams.TeamByExternalID(source, QStringLiteral("E-10")), nullptr) << int{source};
    }

    Exec(
        QStringLiteral("insert into TEAMS (TEAM_ID, TEAM_NAME, TEAM_SYSTEM_ID) values (2, "
                       "'alpha', 'sys-a'), (3, 'Äpfel', null)"));
    teams.Find(0, QString(), 0, false, QString(), 0, QString());
    TqeldbTeam* twin = teams.AddVaruza();
    twin->setID(2);
    EXPECT_EQ(teams.TeamByID(2), twin) << "the last one with the id";
    EXPECT_EQ(teams.TeamByID(9), nullptr);
    EXPECT_EQ(teams.TeamByName(QStringLiteral("ALPHA"))->ID(), 2);
    EXPECT_EQ(teams.TeamByName(QStringLiteral("alph")), nullptr);
    EXPECT_EQ(teams.IDByName(QStringLiteral("BLUE")), 1);
    EXPECT_EQ(teams.IDByName(QStringLiteral("none")), 0);
    EXPECT_EQ(teams.IDByName(QStringLiteral("Äpfel")), 3);
    EXPECT_EQ(teams.TeamBySystemID(QStringLiteral("SYS-A"))->ID(), 2);
    EXPECT_EQ(teams.TeamBySystemID(QStringLiteral("sys")), nullptr);
}

TEST_F(TeamsTest, DeletingATeamRemovesItsMembershipsButNotItsExternalIds) {
    AddTeams();
    Exec(QStringLiteral("insert into TEAM_PLR values (1, 1, null, null), (2, 3, null, null)"));
    TqeldbTeams teams(database.get());
    teams.Find(1, QString(), 0, false, QString(), 0, QString());
    ASSERT_EQ(teams.Count(), 1);
    teams.Delete(teams.Varuzas(0));
    EXPECT_EQ(teams.Count(), 0);
    EXPECT_EQ(Rows(QStringLiteral("select TEAM_ID from TEAMS order by TEAM_ID")),
              (QStringList{QStringLiteral("2"), QStringLiteral("3")}));
    EXPECT_EQ(Rows(QStringLiteral("select PLR_ID from TEAM_PLR")),
              QStringList{QStringLiteral("2")});
    EXPECT_EQ(ExternalIds().size(), 3);

    TqelGenericDatabaseVaruza<TqeldbTeamExternalID> externalIds(database.get());
    TqeldbTeamExternalID::PrepareOpen(externalIds.SQL());
    externalIds.SQL().SetParamAsInteger(QStringLiteral("TEAM_ID"), 1);
    externalIds.SQL().SetParamAsInteger(QStringLiteral("DSC_ID"), 3);
    externalIds.OpenList();
    ASSERT_EQ(externalIds.Count(), 1);
    EXPECT_EQ(externalIds.Varuzas(0)->ExternalID(), QStringLiteral("E-10"));
    EXPECT_THROW(externalIds.Delete(externalIds.Varuzas(0)), EDatabaseError);
    EXPECT_EQ(externalIds.Count(), 1);
}

}  // namespace
