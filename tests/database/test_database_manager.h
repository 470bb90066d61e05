#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

#include "database/database.h"
#include "database/database_manager.h"

namespace qel::test {

// Stands in for the main window: publishes itself, owns a database made after that, and
// records what the database layer tells it.
class TestDatabaseManager : public IqelDatabaseManager {
public:
    ~TestDatabaseManager() override { ReleaseReferences(); }

    TqelDatabase* GetDatabase() override { return Database.get(); }
    void LogMessage(int32_t EventID, int32_t MessageID, const QString& sMessage) override {
        Messages << sMessage;
    }
    void ConnectionStateChanged(TqelDBConnectionState aState) override { States.push_back(aState); }

    // As the main window does it: published first, its database made afterwards.
    void Publish() {
        ::DatabaseManager = this;
        Database = std::make_unique<TqelDatabase>(this);
    }

    std::unique_ptr<TqelDatabase> Database;
    std::vector<TqelDBConnectionState> States;
    QStringList Messages;
};

}  // namespace qel::test
