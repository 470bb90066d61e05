#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QSettings>

#include "app/main_form.h"
#include "app/ui/main_window.h"
#include "app/window_placement.h"
#include "foundation/settings/field_settings.h"
#include "foundation/settings/server_config.h"
#include "foundation/system/registry_helper.h"
#include "support/fake_dialogs.h"
#include "support/temp_folder.h"

namespace {

TEST(KeepOnDesktopTest, MovesAStoredPlaceBackOntoTheDesktop) {
    struct Case {
        const char* name;
        QRect desktop;
        QRect window;
        QPoint expected;
    };
    const QRect fullHD(0, 0, 1920, 1080);
    const std::vector<Case> cases = {
        {"on the desktop", fullHD, {100, 100, 800, 600}, {100, 100}},
        {"on a detached monitor to the right", fullHD, {2500, 100, 800, 600}, {1120, 100}},
        {"half off the right edge stays", fullHD, {1520, 100, 800, 600}, {1520, 100}},
        {"just over half off the right edge", fullHD, {1521, 100, 800, 600}, {1120, 100}},
        {"left of the desktop", fullHD, {-1000, 50, 800, 600}, {0, 50}},
        {"below the desktop", fullHD, {100, 2000, 800, 600}, {100, 480}},
        {"above the desktop", fullHD, {100, -50, 800, 600}, {100, 0}},
        {"on a monitor left of the primary one",
         {-1280, 0, 3200, 1080},
         {-1000, 100, 800, 600},
         {-1000, 100}},
        {"that left monitor detached", fullHD, {-1000, 100, 800, 600}, {0, 100}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(qel::KeepOnDesktop(c.window, c.desktop), c.expected);
    }
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder.path());
    }
    qel::test::TempFolder folder;
};

TEST_F(MainWindowTest, AStoredPlaceOnADetachedMonitorComesBackAndIsStoredAgain) {
    const QString section = QString::fromLatin1(qel::MainWindow::kRegistrySection);
    TRegistryHelper& registry = qel::RegistryHelper();
    registry.WriteInteger(section, QStringLiteral("Left"), 5000);
    registry.WriteInteger(section, QStringLiteral("Top"), 4000);
    registry.WriteInteger(section, QStringLiteral("Width"), 300);
    registry.WriteInteger(section, QStringLiteral("Height"), 200);

    TQelvaniServerMainForm root;
    qel::MainWindow window(root);
    window.RestoreLayout();
    const QRect desktop = QGuiApplication::primaryScreen()->virtualGeometry();
    EXPECT_EQ(window.geometry().size(), QSize(300, 200));
    EXPECT_EQ(window.geometry().topLeft(),
              QPoint(desktop.right() + 1 - 300, desktop.bottom() + 1 - 200));

    window.setGeometry(QRect(20, 30, 320, 240));
    window.StoreLayout();
    EXPECT_EQ(registry.ReadInteger(section, QStringLiteral("Left"), 0), 20);
    EXPECT_EQ(registry.ReadInteger(section, QStringLiteral("Top"), 0), 30);
    EXPECT_EQ(registry.ReadInteger(section, QStringLiteral("Width"), 0), 320);
    EXPECT_EQ(registry.ReadInteger(section, QStringLiteral("Height"), 0), 240);
}

TEST_F(MainWindowTest, ShowsTheRootsSelectionLogsAndCaption) {
    TqelServerConfig& settings = *ServerConfig();
    while (settings.FieldSettingsCount() > 0)
        settings.DeleteFieldSetting(0);
    settings.AddFieldSetting()->setFieldName(QStringLiteral("North"));
    settings.setServerPort(QStringLiteral("0"));
    settings.setEnableRemoteControl(true);
    settings.setFieldSelectionRequired(true);
    settings.setMeasurementPitchCanChange(true);
    settings.setDatabaseConnectionString(QStringLiteral("Provider=SQLite;Data Source=%1")
                                             .arg(folder.file(QStringLiteral("qel.db"))));
    qel::test::FakeDialogs dialogs;
    qel::ScopedDialogs scopedDialogs(dialogs);

    TQelvaniServerMainForm root;
    qel::MainWindow window(root);
    root.FormCreate();
    window.show();

    EXPECT_TRUE(dialogs.asked.empty());
    EXPECT_EQ(window.windowTitle(), root.Caption());
    EXPECT_TRUE(window.SelectionGroup()->isVisibleTo(&window));
    ASSERT_EQ(window.PitchCombo()->count(), 1);
    EXPECT_EQ(window.PitchCombo()->currentText(), "North");
    EXPECT_TRUE(window.PitchCombo()->isEnabled());
    QStringList logs;
    for (const QAction* action : window.LogActions())
        logs << action->text();
    EXPECT_EQ(logs, QStringList({"Measurement System log", "BallTracking Log", "Video server log",
                                 "Server log"}));

    // The root refills the boxes; the window follows, and the operator's choice goes back.
    root.PreparationBox().Clear();
    root.PreparationBox().Add(QStringLiteral("Morning"), 4);
    root.PreparationBox().Add(QStringLiteral("Evening"), 5);
    EXPECT_EQ(window.PreparationCombo()->count(), 2);
    window.PreparationCombo()->setCurrentIndex(1);
    EXPECT_EQ(root.PreparationBox().Value(), 5);
    EXPECT_EQ(root.PrepareRecordingID(), 5);

    // The activate button while nothing is activated, the deactivate button otherwise; an
    // unknown preparation leaves the activation initializing.
    EXPECT_TRUE(window.ActivateButton()->isVisibleTo(&window));
    EXPECT_FALSE(window.DeactivateButton()->isVisibleTo(&window));
    window.ActivateButton()->click();
    EXPECT_EQ(root.MeasurementStatus(), imsInitializing);
    EXPECT_FALSE(window.ActivateButton()->isVisibleTo(&window));
    EXPECT_TRUE(window.DeactivateButton()->isVisibleTo(&window));
    EXPECT_FALSE(window.PitchCombo()->isEnabled());
    window.DeactivateButton()->click();
    EXPECT_EQ(root.MeasurementStatus(), imsIdle);
    EXPECT_TRUE(window.ActivateButton()->isVisibleTo(&window));
    EXPECT_EQ(window.RecordButton()->text(), "Start Rec");
}

}  // namespace
