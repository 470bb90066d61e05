#pragma once

#include <gtest/gtest.h>

#include <QSettings>
#include <QStringList>
#include <memory>

#include "app/main_form.h"
#include "database/database.h"
#include "database/query.h"
#include "foundation/logging/log_window_core.h"
#include "foundation/settings/field_settings.h"
#include "foundation/settings/server_config.h"
#include "support/fake_dialogs.h"
#include "support/temp_folder.h"

// Readable failure messages for texts.
inline void PrintTo(const QString& aText, std::ostream* aStream) {
    *aStream << '"' << aText.toStdString() << '"';
}

namespace qel::test {

struct PitchSettings {
    bool remoteControl = true;
    bool selectionRequired = false;
    bool pitchMayChange = false;
    QString defaultPitch;
};

// The composition root on a SQLite file of its own, with the server settings of each test and
// the dialogs recorded.
class MainFormFixture : public ::testing::Test {
protected:
    void SetUp() override {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder.path());
        TqelServerConfig& settings = *ServerConfig();
        while (settings.FieldSettingsCount() > 0)
            settings.DeleteFieldSetting(0);
        settings.setDatabaseConnectionString(QStringLiteral("Provider=SQLite;Data Source=%1")
                                                 .arg(folder.file(QStringLiteral("qel.db"))));
        settings.setServerPort(QStringLiteral("0"));
        settings.setTransponderFile(folder.file(QStringLiteral("transponder.ini")));
        settings.setClientIni(QString());
        settings.setRestrictAccess(false);
        Use(PitchSettings{});
    }

    static void Use(const PitchSettings& aSettings) {
        TqelServerConfig& settings = *ServerConfig();
        settings.setEnableRemoteControl(aSettings.remoteControl);
        settings.setFieldSelectionRequired(aSettings.selectionRequired);
        settings.setMeasurementPitchCanChange(aSettings.pitchMayChange);
        settings.setDefaultMeasurementPitch(aSettings.defaultPitch);
    }

    static void AddPitches(const QStringList& aNames) {
        for (const QString& name : aNames)
            ServerConfig()->AddFieldSetting()->setFieldName(name);
    }

    // Plain SQL on the root's own database file: a statement, or a query whose rows come back
    // with their columns joined by " ".
    QStringList Sql(const QString& aSql, bool aQuery = false) {
        TqelDatabase database;
        EXPECT_TRUE(database.Initialize(ServerConfig()->DatabaseConnectionString()));
        TqelQuery query(database.Connection());
        query.setText(aSql);
        QStringList rows;
        if (!aQuery) {
            query.ExecSQL();
            return rows;
        }
        for (query.Open(); !query.Eof(); query.Next()) {
            QStringList values;
            for (int i = 0; i < query.FieldCount(); ++i)
                values << query.Fields(i)->AsString();
            rows << values.join(u' ');
        }
        return rows;
    }
    void Exec(const QString& aSql) { Sql(aSql); }
    QStringList Rows(const QString& aSql) { return Sql(aSql, true); }

    static QStringList Items(const qel::ChoiceList& aBox) {
        QStringList items;
        for (const qel::ChoiceList::Item& item : aBox.AllItems())
            items << QStringLiteral("%1=%2").arg(item.Text).arg(item.Value);
        return items;
    }

    QStringList ServerLog() const {
        TqelShowTextDialog* log = form->LPMServerLog();
        log->DisplayPending();
        return log->Lines();
    }

    static bool Contains(const QStringList& aLines, const QString& aText) {
        for (const QString& line : aLines) {
            if (line.contains(aText))
                return true;
        }
        return false;
    }

    qel::test::TempFolder folder;
    qel::test::FakeDialogs dialogs;
    qel::ScopedDialogs scopedDialogs{dialogs};
    std::unique_ptr<TQelvaniServerMainForm> form = std::make_unique<TQelvaniServerMainForm>();
};

}  // namespace qel::test
