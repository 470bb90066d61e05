#include <gtest/gtest.h>

#include <QFile>
#include <array>
#include <functional>

#include "foundation/settings/settings_write_rules.h"
#include "foundation/settings/zones.h"
#include "platform/ini_file.h"
#include "support/temp_folder.h"

namespace {

using qel::IniFile;

// The ten zone lists as the client settings hold, read and write them.
struct ZoneLists {
    struct Entry {
        const char* Name;
        const char* LoadBase;
        const char* SaveBase;
        const qel::ZoneTable* Table;
        // Deceleration lists: index of the acceleration list they are read like; -1 otherwise.
        int Like;
    };
    static constexpr std::array<Entry, 10> kEntries{{
        {"AbsoluteSpeed", "Absolute speed zone ", "Absolute speed zone ", &qel::kAbsoluteSpeedZones,
         -1},
        {"RelativeSpeed", "Relative speed zone ", "Relative speed zone ", &qel::kRelativeSpeedZones,
         -1},
        {"AbsoluteHeartbeat", "Absolute heartbeat zone ", "Absolute Heartbeat Zone ",
         &qel::kAbsoluteHeartbeatZones, -1},
        {"RelativeHeartbeat", "Relative heartbeat zone ", "Relative Heartbeat Zone ",
         &qel::kRelativeHeartbeatZones, -1},
        {"AbsoluteAcceleration", "Absolute acceleration zone ", "Absolute Acceleration Zone ",
         &qel::kAbsoluteAccelerationZones, -1},
        {"RelativeAcceleration", "Relative acceleration zone ", "Relative Acceleration Zone ",
         &qel::kRelativeAccelerationZones, -1},
        {"AbsoluteDeceleration", "Absolute deceleration zone ", "Absolute Deceleration Zone ",
         &qel::kAbsoluteAccelerationZones, 4},
        {"RelativeDeceleration", "Relative deceleration zone ", "Relative Deceleration Zone ",
         &qel::kRelativeAccelerationZones, 5},
        {"AbsolutePower", "Absolute power zone ", "Absolute Power Zone ", &qel::kAbsolutePowerZones,
         -1},
        {"RelativePower", "Relative power zone ", "Relative Power Zone ", &qel::kRelativePowerZones,
         -1},
    }};
    static constexpr int kAbsoluteSpeed = 0;
    static constexpr int kAbsoluteAcceleration = 4;
    static constexpr int kRelativeAcceleration = 5;
    static constexpr int kAbsoluteDeceleration = 6;
    static constexpr int kRelativeDeceleration = 7;

    std::array<TqelZones, 10> Lists;

    ZoneLists() {
        for (size_t i = 0; i < Lists.size(); ++i) {
            FillZones(Lists[i], *kEntries[i].Table, qel::ZoneTableHigh);
        }
    }
    void load(const IniFile& anIni, int32_t aVersion) {
        for (size_t i = 0; i < Lists.size(); ++i) {
            const Entry& e = kEntries[i];
            if (e.Like < 0) {
                LoadZones(anIni, e.LoadBase, qel::ZoneTableHigh, *e.Table, Lists[i]);
            } else {
                LoadZonesLike(anIni, e.LoadBase, aVersion, Lists[e.Like], Lists[i]);
            }
        }
    }
    void save(IniFile& anIni) const {
        for (size_t i = 0; i < Lists.size(); ++i) {
            SaveZones(anIni, kEntries[i].SaveBase, qel::ZoneTableHigh, *kEntries[i].Table,
                      Lists[i]);
        }
        qel::EraseEmptySections(anIni);
    }
};

QString Describe(const TqelZone& z) {
    return QStringLiteral("%1|%2|%3|%4|%5|%6|%7")
        .arg(z.ID)
        .arg(z.Min)
        .arg(z.Max)
        .arg(z.Description)
        .arg(z.Weight)
        .arg(z.Color, 8, 16, QLatin1Char('0'))
        .arg(z.Visible);
}

QStringList Describe(const TqelZones& aZones) {
    QStringList lines;
    for (int i = 0; i < aZones.Count(); ++i) {
        lines.append(Describe(aZones.GetZone(i)));
    }
    return lines;
}

std::string Lines(const QStringList& aLines) {
    return aLines.join(u'\n').toStdString();
}

// The table as FillZones gives it, or as a load gives it (IDs are the positions).
QStringList Table(const qel::ZoneTable& aTable, bool aLoaded) {
    TqelZones zones;
    FillZones(zones, aTable, qel::ZoneTableHigh);
    for (int i = 0; aLoaded && i < zones.Count(); ++i) {
        zones.GetZone(i).ID = i;
    }
    return Describe(zones);
}

class ZoneFile : public ::testing::Test {
protected:
    IniFile fileWith(const QByteArray& aText) {
        const QString name = folder.file(QStringLiteral("client.ini"));
        QFile file(name);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(aText);
        file.close();
        return IniFile(name);
    }
    qel::test::TempFolder folder;
};

TEST(ZoneTables, HoldTheBuiltInValues) {
    struct Case {
        const qel::ZoneTable* table;
        int entry;
        double min, max;
        const char* description;
        double weight;
        uint32_t color;
    };
    const Case cases[] = {
        {&qel::kAbsoluteSpeedZones, 0, 0, 1, "standing", 1, 0x00FF00},
        {&qel::kAbsoluteSpeedZones, 3, 4, 5.5, "running", 15, 0xFF00FF},
        {&qel::kAbsoluteSpeedZones, 5, 7, 10, "Sprinting", 50, 0x000080},
        {&qel::kRelativeSpeedZones, 4, 55, 70, "high speed running", 25, 0x0000FF},
        {&qel::kAbsoluteHeartbeatZones, 2, 90, 140, "90-140", 1.71, 0xFF0000},
        {&qel::kRelativeHeartbeatZones, 5, 93, 110, "93-110%", 5.16, 0x000080},
        {&qel::kAbsoluteAccelerationZones, 1, 1, 2, "low acceleration", 3, 0x008000},
        {&qel::kRelativeAccelerationZones, 3, 40, 60, "medium acceleration", 15, 0xFF00FF},
        {&qel::kAbsolutePowerZones, 4, 30, 40, "medium high power", 25, 0x0000FF},
        {&qel::kRelativePowerZones, 5, 80, 110, "high power", 50, 0x000080},
    };
    for (const Case& c : cases) {
        const RqelZoneConst& e = (*c.table)[c.entry];
        SCOPED_TRACE(c.description);
        EXPECT_EQ(e.ID, 0);
        EXPECT_EQ(e.Min, c.min);
        EXPECT_EQ(e.Max, c.max);
        EXPECT_STREQ(e.Description, c.description);
        EXPECT_EQ(e.Weight, c.weight);
        EXPECT_EQ(e.Color, c.color);
        EXPECT_FALSE(e.Visible);
    }
}

TEST(Zones, ListOperations) {
    TqelZones zones;
    const TqelZone& blank = zones.Add();
    EXPECT_EQ(Describe(blank).toStdString(), "0|0|0||0|00000000|0");
    zones.AddZone(7, 1.5, 2.5, 3, QStringLiteral("fast"), clRed, true);
    EXPECT_EQ(zones.Count(), 2);

    TqelZones copy;
    copy.AddZone(1, 0, 0, 0, QString(), 0, false);
    copy.Assign(zones);
    EXPECT_EQ(Lines(Describe(copy)), Lines(Describe(zones)));
    copy.Assign(copy);
    EXPECT_EQ(copy.Count(), 2);

    EXPECT_THROW(zones.GetZone(2), EArgumentOutOfRangeException);
    EXPECT_THROW(zones.GetZone(-1), EArgumentOutOfRangeException);
    EXPECT_THROW(FillZones(zones, qel::kAbsoluteSpeedZones, 6), EArgumentOutOfRangeException);
    EXPECT_EQ(zones.Count(), 2);

    FillZones(zones, qel::kAbsoluteSpeedZones, 2);
    EXPECT_EQ(zones.Count(), 3);
    EXPECT_EQ(Describe(zones.GetZone(2)).toStdString(), "0|2|4|jogging|10|00ff0000|0");
    zones.Clear();
    EXPECT_EQ(zones.Count(), 0);
}

TEST(Zones, AbsoluteSpeedLookups) {
    TqelZones speed;
    FillZones(speed, qel::kAbsoluteSpeedZones, qel::ZoneTableHigh);
    const std::pair<double, int32_t> cases[] = {
        {0.5, 0}, {1.0, 1}, {5.5, 4}, {9.99, 5}, {10.0, -1}, {-1.0, -1}, {std::nan(""), -1},
    };
    for (const auto& [speedInMS, index] : cases) {
        EXPECT_EQ(qel::ZoneIndexFor(speed, speedInMS), index) << speedInMS;
    }
    EXPECT_EQ(qel::ZoneColorFor(speed, 12.0), 0x1FFFFFFFu);
    EXPECT_EQ(qel::ZoneColorFor(speed, 0.0), 0x00FF00u);
    EXPECT_EQ(qel::ZoneColorFor(speed, 7.0), 0x000080u);
}

TEST_F(ZoneFile, EmptyFileGivesTheBuiltInTables) {
    for (int32_t version : {0, 2}) {
        ZoneLists lists;
        lists.load(fileWith(""), version);
        for (size_t i = 0; i < lists.Lists.size(); ++i) {
            const ZoneLists::Entry& e = ZoneLists::kEntries[i];
            SCOPED_TRACE(std::string(e.Name) + " version " + std::to_string(version));
            // Before version 2 the deceleration lists are not read: they keep their filling.
            const bool read = e.Like < 0 || version >= 2;
            EXPECT_EQ(Lines(Describe(lists.Lists[i])), Lines(Table(*e.Table, read)));
        }
    }
}

TEST_F(ZoneFile, CountAndSectionsDecideWhatIsRead) {
    struct Case {
        const char* name;
        QByteArray text;
        QStringList expected;
    };
    QStringList tableWithMin3 = Table(qel::kAbsoluteSpeedZones, true);
    tableWithMin3[2] = "2|3|4|jogging|10|00ff0000|0";
    QStringList tableRenamed = Table(qel::kAbsoluteSpeedZones, true);
    tableRenamed[0] = "0|0|1|Stand|1|0000ff00|1";
    const Case cases[] = {
        {"count 4 with seven sections: the sections count, missing keys read blank",
         "[Zones]\r\nAbsolute speed zones=4\r\n"
         "[Absolute speed zone 0]\r\nBegin=0\r\nEnd=1.5\r\nDescription=slow\r\n"
         "Color=clRed\r\nWeight=2\r\nVisible=0\r\n"
         "[Absolute speed zone 1]\r\nBegin=1.5\r\n"
         "[Absolute speed zone 2]\r\nColor=$00123456\r\n"
         "[Absolute speed zone 3]\r\nColor=255\r\n"
         "[Absolute speed zone 4]\r\nColor=CLBTNFACE\r\n"
         "[Absolute speed zone 5]\r\nEnd=2,5\r\n"
         "[Absolute speed zone 6]\r\n"
         "[Absolute speed zone 8]\r\nBegin=8\r\n",
         {"0|0|1.5|slow|2|000000ff|0", "1|1.5|0||0|1fffffff|1", "2|0|0||0|00123456|1",
          "3|0|0||0|000000ff|1", "4|0|0||0|ff00000f|1", "5|0|2.5||0|1fffffff|1",
          "6|0|0||0|1fffffff|1"}},
        {"count 6 with only section 2: the table with that key changed",
         "[Zones]\r\nAbsolute speed zones=6\r\n[Absolute speed zone 2]\r\nBegin=3\r\n",
         tableWithMin3},
        {"no count: the table as defaults",
         "[Absolute speed zone 0]\r\nDescription=Stand\r\nVisible=1\r\n", tableRenamed},
        {"count 0 and no sections: an empty list", "[Zones]\r\nAbsolute speed zones=0\r\n", {}},
        {"count 3 without section 0: an empty list",
         "[zones]\r\nabsolute SPEED zones=3\r\n[Absolute speed zone 1]\r\nBegin=1\r\n",
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TqelZones zones;
        LoadZones(fileWith(c.text), QStringLiteral("Absolute speed zone "), qel::ZoneTableHigh,
                  qel::kAbsoluteSpeedZones, zones);
        EXPECT_EQ(Lines(Describe(zones)), Lines(c.expected));
    }
}

TEST_F(ZoneFile, SectionsSavedWithCapitalsAreReadBack) {
    const IniFile ini = fileWith(
        "[Absolute Heartbeat Zone 1]\r\nBegin=61\r\n[RELATIVE HEARTBEAT ZONE 5]\r\nEnd=120\r\n");
    ZoneLists lists;
    lists.load(ini, 2);
    EXPECT_EQ(lists.Lists[2].GetZone(1).Min, 61);
    EXPECT_EQ(lists.Lists[3].GetZone(5).Max, 120);
}

TEST_F(ZoneFile, BadColourRaisesAndKeepsTheList) {
    TqelZones zones;
    FillZones(zones, qel::kAbsoluteSpeedZones, qel::ZoneTableHigh);
    const QStringList before = Describe(zones);
    for (const char* color : {"clNoSuchColour", "", "$1FFFFFFFF", "12abc"}) {
        SCOPED_TRACE(color);
        const IniFile ini =
            fileWith(QByteArray("[Absolute speed zone 3]\r\nBegin=9\r\nColor=") + color + "\r\n");
        EXPECT_THROW(LoadZones(ini, QStringLiteral("Absolute speed zone "), qel::ZoneTableHigh,
                               qel::kAbsoluteSpeedZones, zones),
                     EConvertError);
        EXPECT_EQ(Lines(Describe(zones)), Lines(before));
    }
}

TEST_F(ZoneFile, DecelerationListsOfOldAndNewFiles) {
    const QByteArray acceleration =
        "[Absolute acceleration zone 0]\r\nEnd=2\r\n[Relative acceleration zone 1]\r\nBegin=11\r\n";
    {
        SCOPED_TRACE("version 1 without deceleration sections: the lists stay as they were");
        ZoneLists lists;
        lists.load(fileWith(acceleration), 0);
        EXPECT_EQ(lists.Lists[ZoneLists::kAbsoluteAcceleration].GetZone(0).Max, 2);
        TqelZones table;
        FillZones(table, qel::kAbsoluteAccelerationZones, qel::ZoneTableHigh);
        EXPECT_EQ(Lines(Describe(lists.Lists[ZoneLists::kAbsoluteDeceleration])),
                  Lines(Describe(table)));
        FillZones(table, qel::kRelativeAccelerationZones, qel::ZoneTableHigh);
        EXPECT_EQ(Lines(Describe(lists.Lists[ZoneLists::kRelativeDeceleration])),
                  Lines(Describe(table)));
    }
    {
        SCOPED_TRACE("version 1 with section 0: sections read with blank defaults");
        ZoneLists lists;
        lists.load(fileWith(acceleration + "[Zones]\r\nAbsolute deceleration zones=6\r\n"
                                           "[Absolute deceleration zone 0]\r\nEnd=-1\r\n"
                                           "[Absolute deceleration zone 1]\r\nBegin=-1\r\n"),
                   1);
        EXPECT_EQ(Lines(Describe(lists.Lists[ZoneLists::kAbsoluteDeceleration])),
                  Lines(QStringList({"0|0|-1||0|1fffffff|1", "1|-1|0||0|1fffffff|1"})));
    }
    {
        SCOPED_TRACE("version 2: the acceleration list of the same kind gives the defaults");
        ZoneLists lists;
        lists.load(fileWith("[General]\r\nIniFileVersion=2\r\n" + acceleration +
                            "[Relative deceleration zone 2]\r\nDescription=brake\r\n"),
                   2);
        QStringList expected = Describe(lists.Lists[ZoneLists::kRelativeAcceleration]);
        expected[2] = "2|20|40|brake|5|00ff0000|0";
        EXPECT_EQ(Lines(Describe(lists.Lists[ZoneLists::kRelativeDeceleration])), Lines(expected));
        EXPECT_EQ(lists.Lists[ZoneLists::kRelativeDeceleration].GetZone(1).Min, 11);
        EXPECT_EQ(lists.Lists[ZoneLists::kAbsoluteDeceleration].GetZone(0).Max, 2);
    }
    {
        SCOPED_TRACE("version 2 with another count: read section by section");
        ZoneLists lists;
        lists.load(fileWith("[Zones]\r\nAbsolute deceleration zones=2\r\n"
                            "[Absolute deceleration zone 0]\r\nBegin=0.5\r\nVisible=1\r\n"
                            "[Absolute deceleration zone 1]\r\nVisible=0\r\n"),
                   2);
        EXPECT_EQ(Lines(Describe(lists.Lists[ZoneLists::kAbsoluteDeceleration])),
                  Lines(QStringList({"0|0.5|0||0|1fffffff|1", "1|0|0||0|1fffffff|0"})));
    }
}

TEST_F(ZoneFile, UnchangedListsAddNothingToTheFile) {
    IniFile ini = fileWith("[General]\r\nIniFileVersion=2\r\n");
    ZoneLists().save(ini);
    EXPECT_EQ(ini.Text().toStdString(), "[General]\r\nIniFileVersion=2\r\n");
}

TEST_F(ZoneFile, SaveWritesOnlyWhatDiffersFromTheTable) {
    // The file holds an old count, a key equal to the table, a stale section and a key of the
    // same value as the new one.
    IniFile ini = fileWith(
        "[Zones]\r\nAbsolute speed zones=3\r\n\r\n"
        "[Absolute speed zone 0]\r\nEnd=1.5\r\nWeight=1\r\n\r\n"
        "[Absolute speed zone 1]\r\nColor=clLime\r\n\r\n"
        "[Absolute speed zone 7]\r\nBegin=1\r\n");
    ZoneLists lists;
    TqelZone& zone0 = lists.Lists[ZoneLists::kAbsoluteSpeed].GetZone(0);
    zone0.Max = 1.5;
    zone0.Description = QStringLiteral("Standing still");
    lists.Lists[ZoneLists::kAbsoluteSpeed].GetZone(4).Color = 0x00123456;
    lists.Lists[ZoneLists::kAbsoluteSpeed].GetZone(5).Visible = true;
    // Texts equal to the default without regard to case count as unchanged.
    lists.Lists[ZoneLists::kAbsoluteSpeed].GetZone(3).Description = QStringLiteral("RUNNING");
    lists.save(ini);
    EXPECT_EQ(ini.Text().toStdString(),
              "[Absolute speed zone 0]\r\nEnd=1.5\r\nDescription=Standing still\r\n\r\n"
              "[Absolute speed zone 4]\r\nColor=$00123456\r\n\r\n"
              "[Absolute speed zone 5]\r\nVisible=1\r\n");
}

TEST_F(ZoneFile, ListOfAnotherLengthIsWrittenInFull) {
    IniFile ini = fileWith("");
    ZoneLists lists;
    TqelZones& speed = lists.Lists[ZoneLists::kAbsoluteSpeed];
    speed.Clear();
    speed.AddZone(0, 0, 2.5, 1, QStringLiteral("slow"), clLime, false);
    // Equal to the blank default in every key.
    speed.AddZone(1, 0, 0, 0, QString(), clNone, true);
    speed.AddZone(2, 2.5, 12, 3.5, QStringLiteral("fast"), 0x00ABCDEF, true);
    lists.save(ini);
    EXPECT_EQ(ini.Text().toStdString(),
              "[Zones]\r\nAbsolute speed zones=3\r\n\r\n"
              "[Absolute speed zone 0]\r\nDescription=slow\r\nColor=clLime\r\nEnd=2.5\r\n"
              "Weight=1\r\nVisible=0\r\n\r\n"
              "[Absolute speed zone 1]\r\nVisible=1\r\n\r\n"
              "[Absolute speed zone 2]\r\nDescription=fast\r\nColor=$00ABCDEF\r\nBegin=2.5\r\n"
              "End=12\r\nWeight=3.5\r\nVisible=1\r\n");

    // Written to disk and read back whole, the blank zone in the middle included.
    ini.UpdateFile();
    ZoneLists loaded;
    loaded.load(IniFile(ini.FileName()), 2);
    EXPECT_EQ(Lines(Describe(loaded.Lists[ZoneLists::kAbsoluteSpeed])),
              Lines(QStringList({"0|0|2.5|slow|1|0000ff00|0", "1|0|0||0|1fffffff|1",
                                 "2|2.5|12|fast|3.5|00abcdef|1"})));

    // Back to six zones from the table: the count and every section go again.
    FillZones(speed, qel::kAbsoluteSpeedZones, qel::ZoneTableHigh);
    lists.save(ini);
    EXPECT_EQ(ini.Text().toStdString(), "");
}

TEST_F(ZoneFile, SaveAndLoadGiveTheListsBack) {
    ZoneLists lists;
    lists.Lists[1].GetZone(5).Max = 120.25;
    lists.Lists[2].GetZone(0).Description = QStringLiteral("rest");
    lists.Lists[3].Clear();
    lists.Lists[3].AddZone(0, 0, 50, 1, QStringLiteral("easy"), clSkyBlue, true);
    lists.Lists[8].GetZone(3).Weight = 0.1;
    lists.Lists[9].GetZone(1).Color = clNone;
    lists.Lists[ZoneLists::kRelativeDeceleration].GetZone(2).Min = 21;
    IniFile ini = fileWith("");
    lists.save(ini);
    ini.UpdateFile();
    ZoneLists loaded;
    loaded.load(IniFile(ini.FileName()), 2);
    for (size_t i = 0; i < lists.Lists.size(); ++i) {
        SCOPED_TRACE(ZoneLists::kEntries[i].Name);
        QStringList expected = Describe(lists.Lists[i]);
        // A load numbers the zones by position.
        for (qsizetype k = 0; k < expected.size(); ++k) {
            expected[k] = QString::number(k) + expected[k].mid(expected[k].indexOf('|'));
        }
        EXPECT_EQ(Lines(Describe(loaded.Lists[i])), Lines(expected));
    }
}

TEST_F(ZoneFile, DecelerationAtTheTableFollowsAChangedAccelerationList) {
    ZoneLists lists;
    lists.Lists[ZoneLists::kAbsoluteAcceleration].GetZone(0).Max = 2;
    IniFile ini = fileWith("[General]\r\nIniFileVersion=2\r\n");
    lists.save(ini);
    ZoneLists loaded;
    loaded.load(ini, 2);
    EXPECT_EQ(loaded.Lists[ZoneLists::kAbsoluteDeceleration].GetZone(0).Min, 0);
    EXPECT_EQ(loaded.Lists[ZoneLists::kAbsoluteDeceleration].GetZone(0).Max, 2);
}

}  // namespace
