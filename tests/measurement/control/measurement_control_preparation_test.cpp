#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <memory>
#include <utility>

#include "database/database_manager.h"
#include "database/prepare_recording.h"
#include "database/sqlite_file_fixture.h"
#include "foundation/settings/field_settings.h"
#include "foundation/system/relative_paths.h"
#include "measurement/control/measurement_control.h"
#include "measurement_control_fakes.h"
#include "platform/date_time.h"

namespace {

using qel::test::FakeControlOwner;
using qel::test::FakeMeasurementSystem;

// The file as the LPM server and outside programs read it, written out by hand: the base field's
// transponder ini with vest "A" (combined, antennas 1201 and 1202, enabled) and vest "C"
// (antenna 410, disabled), lines ended by CR LF.
const char* const kPreparedTransponderIni =
    ";*******************************************************************************\r\n"
    "; Transponder ini file\r\n"
    ";\r\n"
    "; Insert here the transponders to be tracked in the system.\r\n"
    "; The initial enabled status can be changed later when the\r\n"
    "; system is running.\r\n"
    ";\r\n"
    "; Note: Use the semicolon ';' to add comments to this file if necessary.\r\n"
    ";*******************************************************************************\r\n"
    "\r\n"
    "; 2026-05-04 15:30:07 Auto generated Transponder.ini by qelServer\r\n"
    "\r\n"
    ";-------------------------------------------------------------------------------\r\n"
    "; Field descriptions:\r\n"
    ";\r\n"
    "; ID1 to ID4    ID of the transponders antennas to be tracked\r\n"
    ";               Valid ID range is 20 to 16383\r\n"
    "; enabled       Initial status of the transponder\r\n"
    ";                 1 ... enabled\r\n"
    ";                 0 ... disabled\r\n"
    "; trackmode     Tracking mode for this specific transponder\r\n"
    ";                 0 ... default (as set in parameter.ini)\r\n"
    ";                 1 ... 2D satic\r\n"
    ";                 2 ... 2D dynamic\r\n"
    ";                31 ... 3D static\r\n"
    "; sensors       Check telemetry channel for sensor data and use\r\n"
    ";               in calculation when possible.\r\n"
    ";                 1 ... enabled\r\n"
    ";                 0 ... disabled\r\n"
    "; parentTP      Parent transponder ID for calculation of heading.\r\n"
    ";\r\n"
    ";-------------------------------------------------------------------------------\r\n"
    ";  ID1   ID2   ID3   ID4 enabled trackmode sensors parentTP\r\n"
    ";-------------------------------------------------------------------------------\r\n"
    "  1201  1202     0     0       1         0       0        0\r\n"
    "   410     0     0     0       0         0       0        0\r\n";

// The main window's database as the control reaches it.
class FixtureDatabaseManager : public IqelDatabaseManager {
public:
    explicit FixtureDatabaseManager(TqelDatabase* aDatabase) : FDatabase(aDatabase) {}
    ~FixtureDatabaseManager() override { ReleaseReferences(); }
    TqelDatabase* GetDatabase() override { return FDatabase; }
    void LogMessage(int32_t, int32_t, const QString&) override {}
    void ConnectionStateChanged(TqelDBConnectionState) override {}

private:
    TqelDatabase* FDatabase;
};

class PreparedTransponderTest : public qel::test::SqliteFileTest {
protected:
    void SetUp() override {
        SqliteFileTest::SetUp();
        ::DatabaseManager = &manager;
        qel::SetExecutableFolderForTests(exeFolder.path());
        Exec(QStringLiteral(
            "insert into AVAILABLE_TRANSPONDERS (ATP_ID, ATP_DESCRIPTION, ATP_ANTENNA1_ID, "
            "ATP_ANTENNA2_ID, ATP_ANTENNA3_ID, ATP_ANTENNA4_ID, ATP_COMBINED, ATP_ROLE) values "
            "(1, 'A', 1201, 1202, 0, 0, 1, 0), (4, 'C', 410, 0, 0, 0, 0, 0)"));
        // Prepared as the session preparation lists them: by vest label.
        for (auto [atp, enabled] : {std::pair{1, true}, std::pair{4, false}}) {
            TqelPrepareTransponder* prepared = preparation.AddTranponder(-1);
            prepared->setATPid(atp);
            prepared->setEnabled(enabled);
        }

        control.setCallback(&owner);
        for (int32_t id = 1; id <= 3; ++id) {
            auto field = std::make_unique<TqelFieldSettings>();
            field->setFieldID(id);
            field->setFieldName(QStringLiteral("Field%1").arg(id));
            field->setGPSZeroPointLat(0.001 * id);
            field->setGPSZeroPointLon(1);
            control.MeasurementSystemAdd(field.get());
            fields.push_back(std::move(field));
        }
        ASSERT_EQ(control.Count(), 3);
    }
    void TearDown() override {
        qel::SetExecutableFolderForTests(QString());
        ::DatabaseManager = nullptr;
    }

    QByteArray FileBytes() const {
        QFile file(exeFolder.file(QStringLiteral("Prepared_Transponder.ini")));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("missing");
    }
    FakeMeasurementSystem* Driver(int anIndex) {
        return static_cast<FakeMeasurementSystem*>(control.GetMeasurementSystem(anIndex));
    }

    qel::FakeClock clock{EncodeDateTime(2026, 5, 4, 15, 30, 7, 0)};
    qel::ScopedClock scopedClock{clock};
    FixtureDatabaseManager manager{database.get()};
    qel::test::TempFolder exeFolder;
    TqelPrepareRecording preparation{database.get()};
    std::vector<std::unique_ptr<TqelFieldSettings>> fields;
    FakeControlOwner owner;
    TqelMeasurementControl control{nullptr, [](const TqelFieldSettings&, bool) {
                                       return std::make_unique<FakeMeasurementSystem>();
                                   }};
};

TEST_F(PreparedTransponderTest, FileHoldsTheBaseFieldsIniAndOnlyDriverZeroEnablesTransponders) {
    control.setPrepareRecording(&preparation);
    EXPECT_EQ(FileBytes(), QByteArray(kPreparedTransponderIni));

    const QString base = QString::fromLatin1(kPreparedTransponderIni).chopped(2);
    EXPECT_EQ(Driver(0)->TransponderIni, base);
    EXPECT_EQ(control.TransponderIni(), base.split(QStringLiteral("\r\n")));
    QString allDisabled = base;
    allDisabled.replace(QStringLiteral("  1202     0     0       1"),
                        QStringLiteral("  1202     0     0       0"));
    ASSERT_NE(allDisabled, base);
    for (int i = 1; i < 3; ++i) {
        EXPECT_EQ(Driver(i)->TransponderIni, allDisabled) << i;
    }
}

TEST_F(PreparedTransponderTest, PreparationWithoutTranspondersGivesAnEmptyFile) {
    TqelPrepareRecording empty(database.get());
    control.setPrepareRecording(&preparation);
    control.setPrepareRecording(&empty);
    EXPECT_EQ(FileBytes(), QByteArray());
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(Driver(i)->TransponderIni, QString()) << i;
    }
}

TEST_F(PreparedTransponderTest, FileThatCannotBeWrittenIsLoggedAndTheDriversStillGetTheirText) {
    // A folder in the file's place: no user may write there.
    ASSERT_TRUE(QDir(exeFolder.path()).mkdir(QStringLiteral("Prepared_Transponder.ini")));
    control.setPrepareRecording(&preparation);
    ASSERT_FALSE(owner.LogsOf(-1).isEmpty());
    EXPECT_TRUE(
        owner.LogsOf(-1).last().startsWith(QStringLiteral("Prepared_Transponder.ini not saved: ")));
    EXPECT_EQ(Driver(0)->TransponderIni, QString::fromLatin1(kPreparedTransponderIni).chopped(2));
    EXPECT_FALSE(Driver(2)->TransponderIni.isEmpty());
}

}  // namespace
