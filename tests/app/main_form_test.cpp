#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QHostAddress>
#include <QSettings>
#include <QStringList>
#include <QTcpServer>

#include "app/main_form.h"
#include "database/database.h"
#include "database/prepare_recording.h"
#include "database/query.h"
#include "fakes/fake_client_program.h"
#include "foundation/logging/log_window_core.h"
#include "foundation/settings/field_settings.h"
#include "foundation/settings/server_config.h"
#include "main_form_fixture.h"
#include "measurement/clients/lpm_server.h"
#include "platform/date_time.h"
#include "shared/timeout_manager.h"
#include "support/fake_dialogs.h"
#include "support/temp_folder.h"

namespace {

using qel::test::PitchSettings;

class MainFormTest : public qel::test::MainFormFixture {};

struct PitchRowCase {
    const char* name;
    std::vector<const char*> storedRows;  // "id, 'description', active" of MEASUREMENT_PITCH
    QStringList entries;                  // pitch names of the server settings, "" unnamed
    PitchSettings settings;
    QStringList rowsAfter;  // "id description active", by id; active as True or False
    QStringList boxItems;   // "text=value"
    QString chosen;
};

TEST_F(MainFormTest, ApplyServerConfigMatchesPitchRowsAndFillsThePitchBox) {
    const std::vector<PitchRowCase> cases = {
        {"named pitch, not yet stored, stays unsaved while inactive",
         {},
         {"North"},
         {},
         {},
         {"North=1"},
         "North"},
        {"unnamed pitch becomes the default pitch 0, active and saved",
         {},
         {""},
         {},
         {"0 Default True"},
         {"Default=0"},
         "Default"},
        {"stored pitch found without case, activated when the pitch may change",
         {"7, 'north', 0"},
         {"North"},
         {true, true, true, ""},
         {"7 north True"},
         {"North=7"},
         "North"},
        {"selection required, pitch fixed: only the default pitch is activated and chosen",
         {"3, 'North', 0", "4, 'South', 0"},
         {"North", "South"},
         {true, true, false, "south"},
         {"3 North False", "4 South True"},
         {"North=3", "South=4"},
         "South"},
        {"without remote control nothing is activated or saved",
         {"3, 'North', 0"},
         {"North", ""},
         {false, false, false, ""},
         {"3 North False"},
         {"North=3", "Default=0"},
         "Default"},
        {"an unnamed pitch alone with selection required leaves the box empty",
         {},
         {""},
         {true, true, false, ""},
         {},
         {},
         ""},
        {"the unnamed row keeps its id when another row has id 0",
         {"0, 'Main', 1", "5, '', 1"},
         {"", "Main"},
         {},
         {"0 Main True", "5  True"},
         {"Default=5", "Main=0"},
         "Default"},
    };
    for (const PitchRowCase& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        form = std::make_unique<TQelvaniServerMainForm>();
        Exec(QStringLiteral("delete from MEASUREMENT_PITCH"));
        for (const char* row : c.storedRows) {
            Exec(QStringLiteral("insert into MEASUREMENT_PITCH (MPT_ID, MPT_DESCRIPTION, "
                                "MPT_ACTIVE) values (%1)")
                     .arg(QString::fromUtf8(row)));
        }
        AddPitches(c.entries);
        Use(c.settings);

        form->FormCreate();

        EXPECT_EQ(Rows(QStringLiteral("select MPT_ID, MPT_DESCRIPTION, MPT_ACTIVE from "
                                      "MEASUREMENT_PITCH order by MPT_ID")),
                  c.rowsAfter);
        EXPECT_EQ(Items(form->PitchBox()), c.boxItems);
        EXPECT_EQ(form->PitchBox().Text(), c.chosen);
        form.reset();
    }
}

TEST_F(MainFormTest, TheClashingUnnamedRowIsLogged) {
    Exec(QStringLiteral("insert into MEASUREMENT_PITCH values (0, 'Main', 1)"));
    Exec(QStringLiteral("insert into MEASUREMENT_PITCH values (5, '', 1)"));
    AddPitches({""});
    form->FormCreate();
    EXPECT_TRUE(Contains(ServerLog(), QStringLiteral("keeps id 5, another pitch has id 0")));
}

TEST_F(MainFormTest, SelectionGroupAndPitchBoxFollowTheSettings) {
    AddPitches({"North"});
    Use({true, true, true, ""});
    form->FormCreate();
    EXPECT_TRUE(form->SelectionGroupVisible());
    EXPECT_TRUE(form->PitchBox().Enabled());
    EXPECT_EQ(form->LPMStatusText(), "Measurement selection not activated");

    Use({false, true, false, ""});
    form->ApplyServerConfig();
    EXPECT_FALSE(form->SelectionGroupVisible());
    EXPECT_FALSE(form->PitchBox().Enabled());
}

TEST_F(MainFormTest, LoadPreparationsListsSystemOnlyWithTheTransponderFileDatedFirst) {
    AddPitches({""});
    form->FormCreate();
    TqeldbPrepareRecordings preparations(form->Database());
    struct Row {
        const char* description;
        int32_t field;
        bool today;
    };
    for (const Row& row : {Row{"A undated", 0, false}, Row{"B dated", 0, true},
                           Row{"C other pitch", 9, true}, Row{"D dated", 0, true}}) {
        TqelPrepareRecording* preparation = preparations.AddPrepareRecording();
        preparation->setDescription(QString::fromUtf8(row.description));
        preparation->setFieldID(row.field);
        preparation->setActive(true);
        preparation->setExpectDate(row.today ? Date() : 0);
        preparations.Save(preparation);
    }
    QStringList ids;
    for (const auto& preparation : preparations.PrepareRecordings())
        ids << QString::number(preparation->PrcID());

    form->LoadPreparations(0);
    EXPECT_EQ(Items(form->PreparationBox()),
              QStringList({"B dated=" + ids[1], "D dated=" + ids[3], "A undated=" + ids[0]}));
    EXPECT_EQ(form->PreparationBox().Text(), "B dated");

    QFile transponders(ServerConfig()->TransponderFile());
    ASSERT_TRUE(transponders.open(QIODevice::WriteOnly));
    transponders.close();
    form->LoadPreparations(0);
    EXPECT_EQ(form->PreparationBox().Count(), 4);
    EXPECT_EQ(form->PreparationBox().Items(0).Text, "System");
    EXPECT_EQ(form->PreparationBox().Text(), "B dated");

    form->LoadPreparations(42);
    EXPECT_EQ(Items(form->PreparationBox()), QStringList({"System=0"}));
    EXPECT_EQ(form->PreparationBox().Value(), 0);
}

TEST_F(MainFormTest, ADatabaseErrorIsReportedAndLeavesNoLists) {
    ServerConfig()->setDatabaseConnectionString(
        QStringLiteral("Provider=Microsoft.ACE.OLEDB.12.0;Data Source=x.mdb"));
    AddPitches({"North"});
    form->FormCreate();
    ASSERT_FALSE(dialogs.asked.empty());
    EXPECT_EQ(dialogs.asked.front().kind, qel::MessageKind::Error);
    EXPECT_EQ(dialogs.asked.front().text,
              "Could not connect to the database. Please setup the right connection and try "
              "again");
    EXPECT_EQ(form->MeasurementPitches(), nullptr);
    EXPECT_EQ(form->PrepareRec(), nullptr);
    EXPECT_FALSE(form->SelectionGroupVisible());
    // The rest of the start still ran.
    EXPECT_NE(form->Server()->ListeningPort(), "");
}

TEST_F(MainFormTest, AClientPortInUseIsReportedAndTheLaterStepsRun) {
    TlpmTimeOutManager* manager = TimeOutManager();
    manager->stop();
    QTcpServer taken;
    ASSERT_TRUE(taken.listen(QHostAddress::Any, 0));
    ServerConfig()->setServerPort(QString::number(taken.serverPort()));

    form->FormCreate();

    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].kind, qel::MessageKind::Error);
    EXPECT_TRUE(dialogs.asked[0].text.startsWith("FormCreate: data collector failed: "))
        << dialogs.asked[0].text.toStdString();
    EXPECT_TRUE(manager->Active());
    EXPECT_TRUE(form->GUIUpdateActive());
    const QStringList log = ServerLog();
    EXPECT_TRUE(
        Contains(log, QStringLiteral("FormCreate: data collector failed (ESocketException")));
    EXPECT_TRUE(Contains(log, QStringLiteral("FormCreate: Start TimeoutManager")));
}

TEST_F(MainFormTest, CloseIsRefusedWhileAClientGetsLiveDataUnlessForced) {
    AddPitches({""});
    form->FormCreate();
    qel::test::FakeClientProgram client;
    ASSERT_TRUE(client.connectTo(form->Server()->ListeningPort().toUShort()));
    ASSERT_TRUE(client.waitForMessages(qel::msg::ProtocolVersion));
    client.sendLiveData(1);
    QDeadlineTimer deadline(5000);
    while (form->Server()->NumberClientsLiveData() == 0 && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    ASSERT_EQ(form->Server()->NumberClientsLiveData(), 1);

    EXPECT_FALSE(form->FormCloseQuery(false));
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].kind, qel::MessageKind::Warning);
    EXPECT_EQ(dialogs.asked[0].text, "You can't close while recording or clients with live data");
    EXPECT_TRUE(form->FormCloseQuery(true));
    EXPECT_EQ(dialogs.asked.size(), 1u);
}

TEST_F(MainFormTest, DestroyClosesFirstAndLogsEveryStepInOrder) {
    AddPitches({""});
    form->FormCreate();
    TqelShowTextDialog* log = form->LPMServerLog();
    QStringList lines;
    QObject::connect(log, &TqelShowTextDialog::LinesChanged, [&](int, int anAdded) {
        for (int i = anAdded - 1; i >= 0; --i)
            lines << log->Line(i);
    });
    // Destroying without a close (a way out that skipped the window) closes first.
    form->FormDestroy();
    log->DisplayPending();
    QStringList steps;
    for (const QString& line : lines) {
        for (const QString& step :
             {QStringLiteral(": FormClose"), QStringLiteral(": FormDestroy")}) {
            const qsizetype at = line.indexOf(step);
            if (at >= 0)
                steps << line.mid(at + 2);
        }
    }
    EXPECT_EQ(steps,
              QStringList({"FormClose: Start", "FormClose: Stop data collector",
                           "FormClose: Finished", "FormDestroy: Start",
                           "FormDestroy: LPMControl stopped", "FormDestroy: TimeoutManager Stopped",
                           "FormDestroy: FMeasurementPitches Freed",
                           "FormDestroy: FPrepareRec Freed", "FormDestroy: FDatabase Freed",
                           "FormDestroy: FServer Freed", "FormDestroy: Finished"}));
    EXPECT_EQ(form->Server(), nullptr);
}

TEST_F(MainFormTest, VisibleToChoicesListAllClientsNoneAndTheUsers) {
    ServerConfig()->setRestrictAccess(true);
    while (ServerConfig()->UserCount() > 0)
        ServerConfig()->DeleteUser(ServerConfig()->GetUser(0)->Username());
    ServerConfig()->AddUser()->setUsername(QStringLiteral("coach"));
    form->FillVisibleToChoices();
    EXPECT_TRUE(form->VisibleToColumnVisible());
    EXPECT_EQ(form->VisibleToChoices(), QStringList({"all clients", "none", "coach"}));
    ServerConfig()->setRestrictAccess(false);
    ServerConfig()->DeleteUser(QStringLiteral("coach"));
}

TEST(ServerLogFileNameTest, ReplacesTheProgramsExtension) {
    EXPECT_EQ(TQelvaniServerMainForm::ServerLogFileName(QStringLiteral("/opt/qel/qelServer")),
              "/opt/qel/qelServer_LPM.log");
    EXPECT_EQ(TQelvaniServerMainForm::ServerLogFileName(QStringLiteral("/opt/qel/qelServer.exe")),
              "/opt/qel/qelServer_LPM.log");
}

}  // namespace
