#include <gtest/gtest.h>

#include <QRegularExpression>

#include "database/prepare_recording.h"
#include "platform/date_time.h"
#include "sqlite_file_fixture.h"

namespace {

// The LPM transponder ini as the measurement system expects it, written by hand.
const char* const kAbatecHeader =
    R"(;*******************************************************************************
; Transponder ini file
;
; Insert here the transponders to be tracked in the system.
; The initial enabled status can be changed later when the
; system is running.
;
; Note: Use the semicolon ';' to add comments to this file if necessary.
;*******************************************************************************

; 2026-05-04 15:30:07 Auto generated Transponder.ini by qelServer

;-------------------------------------------------------------------------------
; Field descriptions:
;
; ID1 to ID4    ID of the transponders antennas to be tracked
;               Valid ID range is 20 to 16383
; enabled       Initial status of the transponder
;                 1 ... enabled
;                 0 ... disabled
; trackmode     Tracking mode for this specific transponder
;                 0 ... default (as set in parameter.ini)
;                 1 ... 2D satic
;                 2 ... 2D dynamic
;                31 ... 3D static
; sensors       Check telemetry channel for sensor data and use
;               in calculation when possible.
;                 1 ... enabled
;                 0 ... disabled
; parentTP      Parent transponder ID for calculation of heading.
;
;-------------------------------------------------------------------------------
;  ID1   ID2   ID3   ID4 enabled trackmode sensors parentTP
;-------------------------------------------------------------------------------)";

QStringList Lines(const char* aText) {
    return QString::fromLatin1(aText).split(u'\n');
}

// Where each blank-separated word of aLine ends (0-based column of its last character).
QList<qsizetype> WordEnds(const QString& aLine) {
    QList<qsizetype> ends;
    QRegularExpressionMatchIterator words =
        QRegularExpression(QStringLiteral("[^ ;]+")).globalMatch(aLine);
    while (words.hasNext()) {
        ends << words.next().capturedEnd() - 1;
    }
    return ends;
}

// Preparation 4, listed by vest label: "A" combined and enabled on 1201 and 1202, "B" on 305
// and 306, "Ball" a ball on 900, "C" disabled on 410, and "Gone" whose inventory row is
// deleted after the preparation was loaded.
class TransponderIniTest : public qel::test::SqliteFileTest {
protected:
    void SetUp() override {
        SqliteFileTest::SetUp();
        Exec(QStringLiteral("insert into PREPARE_RECORDING (PRC_ID) values (4)"));
        Exec(QStringLiteral(
            "insert into AVAILABLE_TRANSPONDERS (ATP_ID, ATP_DESCRIPTION, ATP_ANTENNA1_ID, "
            "ATP_ANTENNA2_ID, ATP_ANTENNA3_ID, ATP_ANTENNA4_ID, ATP_COMBINED, ATP_ROLE, "
            "ATP_FORCE_HOSAND, ATP_NMEA_PORT) values (1, 'A', 1201, 1202, 0, 0, 1, 0, 1, 4001), "
            "(2, 'B', 305, 306, 0, 0, 0, 0, 0, null), (3, 'Ball', 900, 0, 0, 0, 0, 1, 0, null), "
            "(4, 'C', 410, 0, 0, 0, 0, 0, 0, null), (5, 'Gone', 500, 0, 0, 0, 0, 0, 0, null)"));
        Exec(QStringLiteral(
            "insert into PREPARE_TRANSPONDER (PRC_ID, ATP_ID, TP_ID, PRC_ATHLETE_NAME, "
            "PRC_ENABLED, PRC_SHORTCUT_CHAR) values (4, 1, 7, 'Anna', 1, 'a'), (4, 2, 5, 'Ben', "
            "1, null), (4, 3, 9, null, 1, null), (4, 4, 2, 'Cleo', 0, null), (4, 5, 3, 'Dan', 1, "
            "null)"));
        preparations = std::make_unique<TqeldbPrepareRecordings>(database.get());
        preparations->GetPrepareRecordingAndAntennas(4, &preparation);
        ASSERT_EQ(preparation.TPCount(), 5);
        Exec(QStringLiteral("delete from AVAILABLE_TRANSPONDERS where ATP_ID = 5"));
    }

    qel::FakeClock clock{EncodeDateTime(2026, 5, 4, 15, 30, 7, 0)};
    qel::ScopedClock scopedClock{clock};
    std::unique_ptr<TqeldbPrepareRecordings> preparations;
    TqelPrepareRecording preparation{database.get()};
};

TEST_F(TransponderIniTest, AbatecIniHoldsTheHeaderAndOneLinePerTrackedAntennaGroup) {
    QStringList ini;
    preparations->CreateAbatecTPIni(&preparation, &ini, false);
    const QStringList data = {
        "  1201  1202     0     0       1         0       0        0",
        "   305     0     0     0       1         0       0        0",
        "   306     0     0     0       1         0       0        0",
        "   410     0     0     0       0         0       0        0",
    };
    EXPECT_EQ(ini, Lines(kAbatecHeader) + data);

    preparations->CreateAbatecTPIni(&preparation, &ini, true);
    ASSERT_EQ(ini.size(), 38);
    for (const QString& line : ini.mid(34)) {
        EXPECT_EQ(line.mid(31, 1), QStringLiteral("0")) << line.toStdString();
    }
}

TEST_F(TransponderIniTest, DataLinesEndTheirValuesUnderTheColumnWords) {
    QStringList ini;
    preparations->CreateAbatecTPIni(&preparation, &ini, false);
    ASSERT_GT(ini.size(), 34);
    const QList<qsizetype> columns = WordEnds(ini[32]);
    ASSERT_EQ(columns.size(), 8);
    for (const QString& line : ini.mid(34)) {
        EXPECT_EQ(line.size(), 59) << line.toStdString();
        EXPECT_EQ(WordEnds(line), columns) << line.toStdString();
    }
}

TEST_F(TransponderIniTest, OwnIniHasASectionPerVestOfTheInventoryWhateverItsRole) {
    QStringList ini;
    preparations->CreateQelvaniTPIni(&preparation, &ini);
    // Listed by vest label; "Gone" is no longer in the inventory.
    const QStringList expected = {
        "[7]",           "Active=1",      "Description=A",    "Name=Anna",  "VisibleTo=all clients",
        "ForceHosand=1", "Role=0",        "Combined=1",       "Shortcut=a", "NMEAPort=4001",
        "Antennas=",     "Antenna1=1201", "Antenna2=1202",    "Antenna3=0", "Antenna4=0",
        "[5]",           "Active=1",      "Description=B",    "Name=Ben",   "VisibleTo=all clients",
        "ForceHosand=0", "Role=0",        "Combined=0",       "Shortcut=",  "NMEAPort=0",
        "Antennas=",     "Antenna1=305",  "Antenna2=306",     "Antenna3=0", "Antenna4=0",
        "[9]",           "Active=1",      "Description=Ball", "Name=",      "VisibleTo=all clients",
        "ForceHosand=0", "Role=1",        "Combined=0",       "Shortcut=",  "NMEAPort=0",
        "Antennas=",     "Antenna1=900",  "Antenna2=0",       "Antenna3=0", "Antenna4=0",
        "[2]",           "Active=0",      "Description=C",    "Name=Cleo",  "VisibleTo=all clients",
        "ForceHosand=0", "Role=0",        "Combined=0",       "Shortcut=",  "NMEAPort=0",
        "Antennas=",     "Antenna1=410",  "Antenna2=0",       "Antenna3=0", "Antenna4=0",
    };
    EXPECT_EQ(ini, expected);
}

TEST_F(TransponderIniTest, NoPreparationOrNoTransponderGivesAnEmptyList) {
    TqelPrepareRecording empty(database.get());
    for (TqelPrepareRecording* prepRec : {static_cast<TqelPrepareRecording*>(nullptr), &empty}) {
        QStringList abatec{QStringLiteral("stale")};
        QStringList own{QStringLiteral("stale")};
        preparations->CreateAbatecTPIni(prepRec, &abatec, false);
        preparations->CreateQelvaniTPIni(prepRec, &own);
        EXPECT_TRUE(abatec.isEmpty());
        EXPECT_TRUE(own.isEmpty());
    }
    preparations->CreateAbatecTPIni(&preparation, nullptr, false);
    preparations->CreateQelvaniTPIni(&preparation, nullptr);
}

}  // namespace
