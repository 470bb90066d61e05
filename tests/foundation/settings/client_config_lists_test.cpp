#include "foundation/settings/client_config_lists.h"

#include <gtest/gtest.h>

#include <QFile>
#include <array>
#include <atomic>
#include <thread>

#include "foundation/settings/client_config.h"
#include "foundation/settings/colors.h"
#include "foundation/system/relative_paths.h"
#include "platform/ini_file.h"
#include "support/temp_folder.h"

namespace {

using qel::IniFile;

class ClientListsTest : public ::testing::Test {
protected:
    // The file image of aText, read through the real ini reader.
    IniFile ini(const QByteArray& aText) {
        QFile file(iniName);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(aText);
        file.close();
        return IniFile(iniName);
    }
    QStringList section(const IniFile& anIni, const QString& aSection) const {
        return anIni.ReadSectionValues(aSection);
    }

    qel::test::TempFolder folder;
    QString iniName = folder.file(QStringLiteral("client.ini"));
};

std::array<RqelTransponderDefaults, qel::kTransponderDefaultCount> BuiltInTable() {
    std::array<RqelTransponderDefaults, qel::kTransponderDefaultCount> table;
    for (int32_t i = 0; i < qel::kTransponderDefaultCount; ++i) {
        table[i] = qel::BuiltInTransponderDefault(i);
    }
    return table;
}

TEST_F(ClientListsTest, TransponderDefaultsLoad) {
    auto table = BuiltInTable();
    table[6].Initialized = true;
    table[6].AthleteName = QStringLiteral("Kept");
    table[7].MaxSpeed = 6.5;
    const IniFile file =
        ini("[transponder default 0]\r\nName=Never\r\n"
            "[transponder default 5]\r\nAvailable=0\r\nName=Bo\r\nRole=2\r\n"
            "Color=clLime\r\nMaxSpeed=9\r\nHeight=1.75\r\n"
            "[transponder default 7]\r\nMaxSpeed=7.6\r\nRole=9\r\n"
            "[transponder default 8]\r\n");
    qel::LoadTransponderDefaults(file, table);

    EXPECT_EQ(table[0].AthleteName, "Unknown athlete");
    EXPECT_FALSE(table[5].Initialized);
    EXPECT_EQ(table[5].AthleteName, "Bo");
    EXPECT_EQ(table[5].Role, roleReferee);
    EXPECT_EQ(table[5].Color, clLime);
    EXPECT_EQ(table[5].MaxSpeed, 9.0);
    EXPECT_EQ(table[5].Height, 1.75);
    EXPECT_EQ(table[5].ShirtNum, 5);
    // No section: uninitialised with the values it had.
    EXPECT_FALSE(table[6].Initialized);
    EXPECT_EQ(table[6].AthleteName, "Kept");
    // Not an integer: the current value rounded, halves to even. A role beyond the roles is
    // none: the entry keeps its own.
    EXPECT_EQ(table[7].MaxSpeed, 6.0);
    EXPECT_EQ(table[7].Role, roleAthlete);
    EXPECT_TRUE(table[8].Initialized);
    EXPECT_EQ(table[8].Color, clRed);
}

TEST_F(ClientListsTest, TransponderDefaultsSave) {
    auto table = BuiltInTable();
    table[1].Initialized = true;
    table[2].Initialized = true;
    table[2].MaxSpeed = 6.5;
    table[2].MaxAcceleration = 7.5;
    table[2].Color = clBlue;
    table[2].Weight = 72.5;
    IniFile file = ini("[transponder default 3]\r\nName=Gone\r\n");
    qel::SaveTransponderDefaults(file, table);

    EXPECT_FALSE(file.SectionExists(QStringLiteral("transponder default 3")));
    EXPECT_EQ(section(file, QStringLiteral("transponder default 1")), QStringList({"Available=1"}));
    EXPECT_EQ(section(file, QStringLiteral("transponder default 2")),
              QStringList({"Available=1", "Color=clBlue", "MaxSpeed=6", "MaxAcceleration=8",
                           "Weight=72.5"}));
}

TEST_F(ClientListsTest, CategoriesLoad) {
    const IniFile file =
        ini("[General]\r\nNumber Sprint Categories=2\r\n"
            "Number Impact Categories=1\r\nNumber Deceleration Categories=1\r\n"
            "Number Acceleration Categories=-4\r\n"
            "[Sprint category 1]\r\nID=3\r\nDescription=fast\r\n"
            "Minimal duration=1000\r\nMinimal Speed=5.5\r\nColor=255\r\n"
            "Visible=0\r\n"
            "[Impact category 1]\r\nMinimal Impact=2.5\r\nColor=255\r\n"
            "[Deceleration category 1]\r\nMinimal Deceleration=-3\r\n"
            "Minimal Speed=x\r\n"
            "[Sprint category 3]\r\nID=99\r\n");
    const qel::SprintCategoryList sprint = qel::LoadSprintCategories(file);
    ASSERT_EQ(sprint.size(), 2);
    EXPECT_EQ(sprint[0].ID, 3);
    EXPECT_EQ(sprint[0].Description, "fast");
    EXPECT_EQ(sprint[0].MinDurationInMS, 1000);
    EXPECT_EQ(sprint[0].MinSpeed, 5.5);
    EXPECT_EQ(sprint[0].Color, 255u);
    EXPECT_FALSE(sprint[0].Visible);
    // A missing section gives the defaults.
    EXPECT_EQ(sprint[1].ID, 2);
    EXPECT_EQ(sprint[1].Description, "");
    EXPECT_EQ(sprint[1].MinDurationInMS, 0);
    EXPECT_EQ(sprint[1].MinSpeed, 0.0);
    EXPECT_EQ(sprint[1].Color, clNone);
    EXPECT_TRUE(sprint[1].Visible);

    const qel::ImpactCategoryList impact = qel::LoadImpactCategories(file);
    ASSERT_EQ(impact.size(), 1);
    EXPECT_EQ(impact[0].MinImpact, 2.5);
    EXPECT_EQ(impact[0].Color, 0u);
    EXPECT_TRUE(qel::LoadAccelCategories(file).isEmpty());
    const qel::AccelCategoryList decel = qel::LoadDecelCategories(file);
    ASSERT_EQ(decel.size(), 1);
    EXPECT_EQ(decel[0].MinAccel, -3.0);
    EXPECT_EQ(decel[0].MinSpeed, 0.0);
}

TEST_F(ClientListsTest, CategoryCountsAreBounded) {
    const IniFile file =
        ini("[General]\r\nNumber Sprint Categories=2000000000\r\n"
            "Number Deceleration Categories=$7FFFFFFF\r\n");
    EXPECT_EQ(qel::LoadSprintCategories(file).size(), qel::kMaxClientListCount);
    EXPECT_EQ(qel::LoadDecelCategories(file).size(), qel::kMaxClientListCount);
}

TEST_F(ClientListsTest, CategoriesSaveByPosition) {
    qel::SprintCategoryList sprint;
    sprint.append(RqelSprintCategory{3, 4.5, 500, QStringLiteral("a"), 0x10, true});
    sprint.append(RqelSprintCategory{7, 6, 0, QStringLiteral("b"), clNone, false});
    IniFile file =
        ini("[General]\r\nNumber Acceleration Categories=2\r\n"
            "[Sprint category 5]\r\nID=1\r\n");
    qel::SaveSprintCategories(file, sprint);
    qel::SaveAccelCategories(file, {});
    qel::SaveDecelCategories(file, {});
    qel::SaveImpactCategories(file, {});

    EXPECT_EQ(section(file, QStringLiteral("General")),
              QStringList({"Number Sprint Categories=2", "Number Deceleration Categories=0"}));
    EXPECT_EQ(section(file, QStringLiteral("Sprint category 1")),
              QStringList({"ID=3", "Description=a", "Minimal duration=500", "Minimal Speed=4.5",
                           "Color=16", "Visible=1"}));
    EXPECT_EQ(section(file, QStringLiteral("Sprint category 2")),
              QStringList({"ID=7", "Description=b", "Minimal duration=0", "Minimal Speed=6",
                           "Color=536870911", "Visible=0"}));
    EXPECT_TRUE(file.SectionExists(QStringLiteral("Sprint category 5")));
    const qel::SprintCategoryList back = qel::LoadSprintCategories(file);
    ASSERT_EQ(back.size(), 2);
    EXPECT_EQ(back[0].ID, 3);
    EXPECT_EQ(back[1].ID, 7);
    EXPECT_EQ(back[1].Color, clNone);
}

TEST_F(ClientListsTest, CSVExportSelection) {
    struct Case {
        const char* Name;
        QByteArray Stored;
        QStringList Lines;
    };
    const Case cases[] = {
        {"export fields",
         "[Export Fields]\r\n30=KM/Hour\r\n1=\r\n[CSV export]\r\nFields=2\r\n",
         {"30=km/h", "1="}},
        {"nothing stored", "", {"1=", "10=", "11=", "30=", "80=", "81=", "82="}},
        {"old set", "[CSV export]\r\nFields=3, x, 200, 0, 143\r\n", {"3=", "143="}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(qel::LoadCSVExportFields(ini(c.Stored)), c.Lines);
    }

    IniFile file = ini("[CSV export]\r\nFields=1\r\nSeperator=;\r\n");
    qel::SaveCSVExportFields(file, {"1=", "30=km/h"});
    EXPECT_EQ(section(file, QStringLiteral("CSV export")), QStringList({"Seperator=;"}));
    EXPECT_EQ(section(file, QStringLiteral("Export Fields")), QStringList({"1=", "30=km/h"}));
    EXPECT_EQ(qel::LoadCSVExportFields(file), QStringList({"1=", "30=km/h"}));
}

TEST_F(ClientListsTest, EventTimes) {
    int32_t before = 100;
    int32_t after = 200;
    const IniFile file =
        ini("[EventTimes]\r\nTime before=1000\r\nEvent Count=3\r\n"
            "[EventTimes0]\r\nDescription=Goal\r\nTime after=5000\r\n"
            "[EventTimes1]\r\nTime before=1\r\n"
            "[EventTimes2]\r\nDescription=Goal\r\nTime before=7\r\n");
    const qel::EventTimeList list = qel::LoadEventTimes(file, before, after);
    EXPECT_EQ(before, 1000);
    EXPECT_EQ(after, 200);
    ASSERT_EQ(list.size(), 2);
    EXPECT_EQ(list[0].TimeBeforeInMS, 1000);
    EXPECT_EQ(list[0].TimeAfterInMS, 5000);
    EXPECT_EQ(list[1].TimeBeforeInMS, 7);

    const RqelEventTime goal = qel::FindEventTime(list, QStringLiteral("Goal"), before, after);
    EXPECT_EQ(goal.TimeAfterInMS, 5000);
    const RqelEventTime other = qel::FindEventTime(list, QStringLiteral("goal"), before, after);
    EXPECT_EQ(other.Description, "goal");
    EXPECT_EQ(other.TimeBeforeInMS, 1000);
    EXPECT_EQ(other.TimeAfterInMS, 200);

    IniFile saved = ini("[EventTimes5]\r\nDescription=old\r\n");
    qel::SaveEventTimes(saved, 1000, 0, list);
    EXPECT_EQ(section(saved, QStringLiteral("EventTimes")),
              QStringList({"Time before=1000", "Event Count=2"}));
    EXPECT_EQ(section(saved, QStringLiteral("EventTimes0")),
              QStringList({"Description=Goal", "Time after=5000"}));
    EXPECT_EQ(section(saved, QStringLiteral("EventTimes1")),
              QStringList({"Description=Goal", "Time before=7", "Time after=200"}));
    EXPECT_FALSE(saved.SectionExists(QStringLiteral("EventTimes5")));
}

TEST_F(ClientListsTest, ExerciseNames) {
    EXPECT_EQ(qel::LoadExerciseNames(ini("[Exercise names]\r\n1=Rondo\r\n2=Sprint\r\n4=Lost\r\n")),
              QStringList({"Rondo", "Sprint"}));
    IniFile file = ini("[Exercise names]\r\n1=a\r\n2=b\r\n3=c\r\n");
    qel::SaveExerciseNames(file, {"x"});
    EXPECT_EQ(section(file, QStringLiteral("Exercise names")), QStringList({"1=x"}));
    qel::SaveExerciseNames(file, {});
    EXPECT_FALSE(file.SectionExists(QStringLiteral("Exercise names")));
}

TEST_F(ClientListsTest, ClientConfigSavesAndReloadsTheLists) {
    qel::SetExecutableFolderForTests(folder.path());
    TqelClientConfig config;
    QFile(iniName).remove();
    config.loadFromIni(iniName);
    EXPECT_EQ(config.CSVExportSelectedFields().size(), 7);
    config.getTransponderDefault(4).Initialized = true;
    config.getTransponderDefault(4).AthleteName = QStringLiteral("Ann");
    config.setSprintCategories({RqelSprintCategory{3, 4.5, 500, QStringLiteral("a"), 0x10, true}});
    config.setExerciseNames({"Rondo"});
    config.setEventTimes({RqelEventTime{QStringLiteral("Goal"), 1, 2}});
    ASSERT_TRUE(config.saveToIni());

    TqelClientConfig other;
    other.loadFromIni(iniName);
    EXPECT_EQ(other.getTransponderDefault(4).AthleteName, "Ann");
    EXPECT_TRUE(other.getTransponderDefault(4).Initialized);
    ASSERT_EQ(other.SprintCategories().size(), 1);
    EXPECT_EQ(other.SprintCategories().at(0).ID, 3);
    EXPECT_EQ(other.ExerciseNames(), QStringList({"Rondo"}));
    EXPECT_EQ(other.GetEventTime(QStringLiteral("Goal")).TimeAfterInMS, 2);
    EXPECT_EQ(other.CSVExportSelectedFields(), config.CSVExportSelectedFields());
    EXPECT_TRUE(IniFile(iniName).SectionExists(QStringLiteral("Export Fields")));
    qel::SetExecutableFolderForTests(QString());
}

// The feeds count efforts per category on their own threads while the main thread reloads.
TEST_F(ClientListsTest, ReloadWhileAnotherThreadReadsTheCategories) {
    qel::SetExecutableFolderForTests(folder.path());
    TqelClientConfig config;
    ini("[General]\r\nNumber Sprint Categories=3\r\nNumber Deceleration Categories=2\r\n"
        "[Sprint category 2]\r\nMinimal Speed=4\r\n[Weather]\r\nLocation=Ghent\r\n");
    config.loadFromIni(iniName);
    std::atomic<bool> stop{false};
    std::atomic<int> reads{0};
    std::thread reader([&] {
        while (!stop) {
            double sum = 0;
            for (const RqelSprintCategory& category : config.SprintCategories()) {
                sum += category.MinSpeed;
            }
            for (const RqelAccelCategory& category : config.DecelCategories()) {
                sum += category.MinAccel;
            }
            EXPECT_EQ(sum, 4.0);
            EXPECT_EQ(config.OpenWeatherMapsLocation(), "Ghent");
            ++reads;
        }
    });
    for (int i = 0; i < 20; ++i) {
        config.loadFromIni(iniName);
    }
    // Every wait is bounded: the reader has had its chance when the loads are done.
    for (int i = 0; i < 1000 && reads == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    stop = true;
    reader.join();
    EXPECT_GT(reads, 0);
    qel::SetExecutableFolderForTests(QString());
}

}  // namespace
