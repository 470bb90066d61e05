#include <gtest/gtest.h>

#include <cmath>

#include "database/athletes.h"
#include "sqlite_file_fixture.h"

namespace {

class AthletesTest : public qel::test::SqliteFileTest {
protected:
    void SetUp() override {
        SqliteFileTest::SetUp();
        clock.Set(EncodeDateTime(2026, 3, 15, 10, 30, 0, 0));
    }

    // "player team start end", dates as stored (new ones with their time of day), "-" for an
    // open membership.
    QStringList Memberships() {
        return Rows(
            QStringLiteral("select PLR_ID, TEAM_ID, substr(TP_START_DATE, 1, 16), "
                           "substr(TP_END_DATE, 1, 16) from TEAM_PLR order by PLR_ID, TEAM_ID"));
    }

    static QStringList Ids(TqeldbPlayers& aPlayers) {
        QStringList ids;
        for (int i = 0; i < aPlayers.Count(); ++i) {
            ids << QString::number(aPlayers.GetPlayer(i)->ID());
        }
        return ids;
    }

    qel::FakeClock clock;
    qel::ScopedClock scopedClock{clock};
};

TEST_F(AthletesTest, SavingMovesTheTeamMembership) {
    struct Case {
        const char* Name;
        const char* Stored;  // TEAM_PLR rows of athlete 1 before; none: a new athlete
        int32_t CurrentBefore;
        int32_t LastTeamID;
        QStringList After;
    };
    const Case cases[] = {
        {"new athlete without team", nullptr, 0, 0, {}},
        {"new athlete with a team", nullptr, 0, 7, {QStringLiteral("1 7 2026-03-15 00:00 -")}},
        {"same team", "(1, 7, '2026-01-01', null)", 7, 7, {QStringLiteral("1 7 2026-01-01 -")}},
        {"new team closes the others today and opens one",
         "(1, 7, '2026-01-01', null), (1, 8, '2025-01-01', '2025-06-01')",
         7,
         9,
         {QStringLiteral("1 7 2026-01-01 2026-03-15 00:00"),
          QStringLiteral("1 8 2025-01-01 2025-06-01"), QStringLiteral("1 9 2026-03-15 00:00 -")}},
        {"team 0 closes all",
         "(1, 7, '2026-01-01', null), (1, 8, '2026-02-01', null), (2, 7, '2026-01-01', null)",
         8,
         0,
         {QStringLiteral("1 7 2026-01-01 2026-03-15 00:00"),
          QStringLiteral("1 8 2026-02-01 2026-03-15 00:00"), QStringLiteral("2 7 2026-01-01 -")}},
        {"two open: the later start is current and stays",
         "(1, 7, '2026-01-01', null), (1, 8, '2026-02-01', null)",
         8,
         8,
         {QStringLiteral("1 7 2026-01-01 -"), QStringLiteral("1 8 2026-02-01 -")}},
        {"two open: the earlier team keeps its start",
         "(1, 7, '2026-01-01', null), (1, 8, '2026-02-01', null)",
         8,
         7,
         {QStringLiteral("1 7 2026-01-01 -"), QStringLiteral("1 8 2026-02-01 2026-03-15 00:00")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        Exec(QStringLiteral("delete from PLAYER"));
        Exec(QStringLiteral("delete from TEAM_PLR"));
        Exec(QStringLiteral("delete from SEQUENCES"));
        TqeldbPlayers players(database.get());
        TqeldbPlayer* player = nullptr;
        if (c.Stored) {
            Exec(QStringLiteral("insert into PLAYER (PLR_ID, PLR_LASTNAME) values (1, 'Old')"));
            Exec(QStringLiteral("insert into TEAM_PLR values ") + QString::fromUtf8(c.Stored));
            players.Open(1);
            ASSERT_EQ(players.Count(), 1);
            player = players.GetPlayer(0);
            EXPECT_EQ(player->LastTeamID(), c.CurrentBefore);
            EXPECT_FALSE(player->Modified());
        } else {
            player = players.AddPlayer();
        }
        player->setLastTeamID(c.LastTeamID);
        players.Save(player);
        EXPECT_EQ(player->ID(), 1);
        EXPECT_EQ(LastKey(QStringLiteral("PLAYER")), c.Stored ? 0 : 1);
        EXPECT_FALSE(player->Modified());
        EXPECT_FALSE(players.SQL().Active());
        EXPECT_EQ(Memberships(), c.After);
        players.Open(1);
        EXPECT_EQ(players.GetPlayer(0)->LastTeamID(), c.LastTeamID);
    }
}

TEST_F(AthletesTest, ValuesRoundTripWithTheirNullRules) {
    TqeldbPlayers players(database.get());
    TqeldbPlayer* fresh = players.AddPlayer();
    EXPECT_EQ(fresh->Recon(), 4.0);
    EXPECT_EQ(fresh->LastWeight(), 80.0);
    EXPECT_EQ(fresh->DefaultColor(), 255);
    EXPECT_EQ(fresh->MaxHeartbeat(), 200);
    EXPECT_EQ(fresh->PreferredArm(), 2);
    EXPECT_TRUE(fresh->Active());
    EXPECT_FALSE(fresh->Modified());
    fresh->setRecon(0);
    EXPECT_EQ(fresh->Recon(), 4.0);
    EXPECT_FALSE(fresh->Modified()) << "0 is the default, which it already has";

    fresh->setFirstName(QStringLiteral("Ann"));
    fresh->setLastName(QStringLiteral("Lee"));
    fresh->setShirtNumber(0);
    fresh->setActive(false);
    fresh->setPreferredArm(0);
    fresh->setRecon(2.5);
    fresh->setDateOfBirth(EncodeDate(2001, 2, 3));
    fresh->setDefaultColor(0x1FFFFFFF);
    fresh->setSystemID(QStringLiteral("S-1"));
    fresh->setCategory(QStringLiteral("not stored"));
    players.Save(fresh);
    EXPECT_EQ(Rows(QStringLiteral("select PLR_SHIRTNUMBER, PLR_ACTIVE, PLR_PREFERRED_ARM, "
                                  "PLR_MIDDLENAME, PLR_DEFAULT_TP_ID from PLAYER")),
              QStringList{QStringLiteral("- 0 0 - -")});

    TqeldbPlayers again(database.get());
    again.Open(fresh->ID());
    ASSERT_EQ(again.Count(), 1);
    const TqeldbPlayer& loaded = *again.GetPlayer(0);
    EXPECT_EQ(loaded.TotalName(), QStringLiteral("Ann Lee"));
    EXPECT_EQ(loaded.AthleteName(nrpLastName), QStringLiteral("Lee"));
    EXPECT_FALSE(loaded.Active());
    EXPECT_EQ(loaded.PreferredArm(), 0);
    EXPECT_EQ(loaded.Recon(), 2.5);
    EXPECT_EQ(loaded.DateOfBirth(), EncodeDate(2001, 2, 3));
    EXPECT_EQ(loaded.DefaultColor(), 0x1FFFFFFF);
    EXPECT_EQ(loaded.MaxSpeed(), 25.0);
    EXPECT_EQ(loaded.SystemID(), QStringLiteral("S-1"));
    EXPECT_TRUE(loaded.Category().isEmpty());
    EXPECT_FALSE(loaded.Modified());

    // Recon stored as 0 or NULL reads as the default.
    for (const char* recon : {"0", "null"}) {
        Exec(QStringLiteral("update PLAYER set PLR_RECON = %1").arg(QString::fromUtf8(recon)));
        TqeldbPlayer reread;
        ASSERT_TRUE(again.GetPlayerData(fresh->ID(), &reread));
        EXPECT_EQ(reread.Recon(), 4.0) << recon;
    }

    TqeldbPlayer copy;
    copy.setImageURL(QStringLiteral("kept"));
    copy.Assign(loaded);
    EXPECT_EQ(copy.ID(), loaded.ID());
    EXPECT_EQ(copy.SystemID(), QStringLiteral("S-1"));
    EXPECT_EQ(copy.ImageURL(), QStringLiteral("kept"));

    fresh->setMaxSpeed(0);
    players.SaveMaxSpeed(fresh);
    EXPECT_EQ(Rows(QStringLiteral("select PLR_MAX_SPEED from PLAYER")),
              QStringList{QStringLiteral("-")});
}

TEST_F(AthletesTest, FindKeepsOnlyTheCurrentMembersOfATeam) {
    Exec(
        QStringLiteral("insert into PLAYER (PLR_ID, PLR_LASTNAME, PLR_ACTIVE) values (1, 'Smith', "
                       "1), (2, 'smythe', 0), (3, 'Jones', 1), (4, 'Smart', 1)"));
    Exec(
        QStringLiteral("insert into TEAM_PLR values (1, 7, '2026-01-01', null), (2, 7, "
                       "'2026-01-01', null), (3, 8, '2026-01-01', null), (4, 7, '2025-01-01', "
                       "'2025-12-31')"));
    TqeldbPlayers players(database.get());
    struct Case {
        int32_t Team;
        const char* LastName;
        bool ActiveOnly;
        QStringList Ids;
    };
    const Case cases[] = {
        {0, "", false, {"1", "2", "3", "4"}}, {7, "", false, {"1", "2"}}, {7, "", true, {"1"}},
        {0, "SM", false, {"1", "2", "4"}},    {8, "Sm", false, {}},       {9, "", false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.Team << " " << c.LastName << " " << c.ActiveOnly);
        players.Find(c.Team, QString::fromUtf8(c.LastName), QString(), QString(), c.ActiveOnly,
                     QString());
        QStringList ids = Ids(players);
        ids.sort();
        EXPECT_EQ(ids, c.Ids);
        EXPECT_FALSE(players.SQL().Active());
    }
    players.Find(7, QString(), QString(), QString(), false, QString());
    for (int i = 0; i < players.Count(); ++i) {
        EXPECT_EQ(players.GetPlayer(i)->LastTeamID(), 7);
    }
}

TEST_F(AthletesTest, LocateReadsOnlyWhatIsNotListed) {
    Exec(
        QStringLiteral("insert into PLAYER (PLR_ID, PLR_LASTNAME, PLR_DEFAULT_TP_ID) values (5, "
                       "'Five', 105)"));
    TqeldbPlayers players(database.get());
    const int64_t before = database->Connection()->StatementCount();
    EXPECT_EQ(players.Locate(0), nullptr);
    EXPECT_EQ(database->Connection()->StatementCount(), before) << "no read for id 0";
    EXPECT_EQ(players.LocateDefault(105), nullptr) << "reads nothing";
    EXPECT_EQ(players.Locate(6), nullptr);
    EXPECT_EQ(players.Count(), 0);

    TqeldbPlayer* five = players.Locate(5);
    ASSERT_NE(five, nullptr);
    EXPECT_EQ(five->LastName(), QStringLiteral("Five"));
    EXPECT_EQ(players.Count(), 1);
    EXPECT_EQ(players.Locate(5), five);
    EXPECT_EQ(players.LocateDefault(105), five);
    EXPECT_THROW(players.GetPlayer(1), EArgumentOutOfRangeException);

    players.Delete(five);
    EXPECT_EQ(players.Count(), 0);
    EXPECT_TRUE(Rows(QStringLiteral("select * from PLAYER")).isEmpty());
}

TEST_F(AthletesTest, ExternalIdsMatchExactlyInTheirDataSource) {
    Exec(QStringLiteral("insert into PLAYER (PLR_ID, PLR_LASTNAME) values (1, 'A'), (2, 'B')"));
    Exec(
        QStringLiteral("insert into PLAYER_EXTERNAL_IDS values (1, 3, 'X1'), (2, 3, 'X10'), "
                       "(2, 4, 'X1')"));
    Exec(QStringLiteral("insert into TEAM_PLR values (1, 7, '2026-01-01', null)"));
    TqeldbPlayers players(database.get());
    players.FindByExternalID(3, QStringLiteral("X1"));
    ASSERT_EQ(Ids(players), QStringList{QStringLiteral("1")});
    EXPECT_EQ(players.GetPlayer(0)->ExternalID(), QStringLiteral("X1"));
    EXPECT_EQ(players.GetPlayer(0)->DataSource(), 3);
    EXPECT_EQ(players.GetPlayer(0)->LastTeamID(), 7);
    players.FindByExternalID(4, QStringLiteral("X1"));
    EXPECT_EQ(Ids(players), QStringList{QStringLiteral("2")});

    for (const auto& [source, id] :
         {std::pair<int8_t, const char*>{0, "X1"}, {-3, "X1"}, {3, ""}, {3, "x"}}) {
        players.FindByExternalID(4, QStringLiteral("X1"));
        players.FindByExternalID(source, QString::fromUtf8(id));
        EXPECT_EQ(players.Count(), 0) << int{source} << " " << id;
    }
}

TEST_F(AthletesTest, PicturesRoundTrip) {
    TqeldbPlayers players(database.get());
    TqeldbPlayer* player = players.AddPlayer();
    player->setLastName(QStringLiteral("Pic"));
    const QByteArray image("\x89PNG\0\xff\x00tail", 11);
    player->Picture().write(image);
    EXPECT_FALSE(players.GetPicture(player)) << "id 0";
    players.SavePicture(player);
    EXPECT_TRUE(Rows(QStringLiteral("select PLR_ID from PLAYER_IMAGE")).isEmpty()) << "id 0";

    players.Save(player);
    players.SavePicture(player);
    TqeldbPlayer reader;
    reader.setID(player->ID());
    ASSERT_TRUE(players.GetPicture(&reader));
    EXPECT_EQ(reader.Picture().readAll(), image);
    EXPECT_EQ(reader.Picture().pos(), 0) << "rewound when read";

    player->Picture().write("short");
    players.SavePicture(player);
    ASSERT_TRUE(players.GetPicture(&reader));
    EXPECT_EQ(reader.Picture().data(), QByteArray("short\xff\0tail", 11))
        << "the whole stream is stored";
    EXPECT_EQ(Rows(QStringLiteral("select PLR_ID from PLAYER_IMAGE")).size(), 1);

    Exec(QStringLiteral("update PLAYER_IMAGE set PLR_IMAGE = null"));
    EXPECT_TRUE(players.GetPicture(&reader));
    EXPECT_TRUE(reader.Picture().data().isEmpty());
    reader.setID(99);
    EXPECT_FALSE(players.GetPicture(&reader));
    EXPECT_FALSE(players.GetPicture(nullptr));
    EXPECT_FALSE(players.SQL().Active());
}

TEST_F(AthletesTest, PreparedAthletesComeWithThePreparedTeam) {
    Exec(QStringLiteral("insert into PLAYER (PLR_ID) values (1), (2), (3)"));
    Exec(QStringLiteral("insert into TEAM_PLR values (1, 7, '2026-01-01', null)"));
    Exec(
        QStringLiteral("insert into PREPARE_TRANSPONDER (PRC_ID, ATP_ID, PLR_ID, TEAM_ID) values "
                       "(10, 1, 1, 9), (10, 2, 3, 0), (11, 3, 2, 7)"));
    TqeldbPlayers players(database.get());
    players.LoadPrepareRec(10);
    ASSERT_EQ(players.Count(), 2);
    const TqeldbPlayer* first =
        players.GetPlayer(0)->ID() == 1 ? players.GetPlayer(0) : players.GetPlayer(1);
    EXPECT_EQ(first->LastTeamID(), 9);
}

}  // namespace

TEST_F(AthletesTest, NewAthletesAreInsertedOneAfterTheOtherAndARowWithIdZeroIsUpdated) {
    TqeldbPlayers players(database.get());
    // The first save reads the whole row, the later ones only ask whether id 0 is in use.
    for (const char* name : {"Ann", "Bo", "Cy"}) {
        TqeldbPlayer* player = players.AddPlayer();
        player->setFirstName(QString::fromUtf8(name));
        player->setShirtNumber(7);
        players.Save(player);
    }
    EXPECT_EQ(Rows(QStringLiteral("select PLR_ID, PLR_FIRSTNAME, PLR_SHIRTNUMBER from PLAYER "
                                  "order by PLR_ID")),
              (QStringList{QStringLiteral("1 Ann 7"), QStringLiteral("2 Bo 7"),
                           QStringLiteral("3 Cy 7")}));

    // As ever, an athlete without an id saves into a row that has id 0.
    Exec(QStringLiteral("insert into PLAYER (PLR_ID, PLR_FIRSTNAME) values (0, 'Zero')"));
    TqeldbPlayer* player = players.AddPlayer();
    player->setFirstName(QStringLiteral("Dee"));
    players.Save(player);
    EXPECT_EQ(Rows(QStringLiteral("select PLR_FIRSTNAME from PLAYER where PLR_ID = 0")),
              QStringList{QStringLiteral("Dee")});
    EXPECT_EQ(Rows(QStringLiteral("select count(*) from PLAYER")),
              QStringList{QStringLiteral("4")});
}
