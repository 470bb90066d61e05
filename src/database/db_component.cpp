#include "database/db_component.h"

#include "database/transaction_scope.h"
#include "platform/exception.h"

TqelDBComponent::TqelDBComponent(TqelDatabase* AOwner)
    : FGUID(QUuid::createUuid()), FOwner(AOwner) {}

void TqelDBComponent::Delete(TqelQuery& aSQL) {
    throw EDatabaseError(QStringLiteral("Delete not implemented"));
}

int32_t TqelDBComponent::GetPrimaryKey(TqelQuery& aSQL, const QString& aFieldName,
                                       const QString& aTableName) {
    TqelDatabase* database = aSQL.Database();
    qel::Assert(database != nullptr, QStringLiteral("Keys are drawn through a TqelDatabase."));
    return database->GetPrimaryKey(aSQL.FieldByName(aFieldName), aTableName);
}

namespace qel {

namespace {

void InOneTransaction(TqelQuery& aSQL, const std::function<void()>& aWork) {
    if (TqelDatabase* database = aSQL.Database()) {
        RunInTransaction(*database, aWork);
    } else {
        aWork();
    }
}

// Writes the row into the query's current record, or into a new one with its key drawn, and
// posts it; a failure drops the pending record.
void WriteRecord(TqelQuery& aSQL, TqelDBComponent& aRow, bool anInsert) {
    try {
        if (anInsert) {
            aSQL.Insert();
            aRow.AfterInsert(aSQL);
        }
        aRow.VaruzaToDataSet(aSQL);
        aSQL.Post();
    } catch (...) {
        aSQL.Cancel();
        throw;
    }
}

void Saved(TqelDBComponent& aRow, bool aClearModified) {
    aRow.setInsertPending(false);
    if (aClearModified) {
        aRow.SetModified(false);
    }
}

}  // namespace

void SaveRow(TqelQuery& aSQL, TqelDBComponent& aRow, bool aClearModified) {
    bool inserting = false;
    try {
        InOneTransaction(aSQL, [&] {
            aRow.PrepareSave(aSQL);
            aRow.PrepareParams(aSQL);
            aSQL.Open();
            inserting = aRow.InsertPending() || aSQL.IsEmpty();
            // Updating whichever record came first would overwrite a row that is not this one.
            if (!inserting && aSQL.RecordCount() > 1) {
                throw EDatabaseError(
                    QStringLiteral("The key of the row to save selects %1 records instead of one")
                        .arg(aSQL.RecordCount()));
            }
            WriteRecord(aSQL, aRow, inserting);
        });
    } catch (...) {
        aSQL.Close();
        // A key drawn for it went with the transaction: the next save inserts it afresh.
        if (inserting) {
            aRow.setInsertPending(true);
        }
        throw;
    }
    aSQL.Close();
    Saved(aRow, aClearModified);
}

void InsertRow(TqelQuery& aSQL, TqelDBComponent& aRow, bool aClearModified) {
    try {
        InOneTransaction(aSQL, [&] { WriteRecord(aSQL, aRow, true); });
    } catch (...) {
        aRow.setInsertPending(true);
        throw;
    }
    Saved(aRow, aClearModified);
}

}  // namespace qel

TqelDatabaseVaruza::TqelDatabaseVaruza(TqelDatabase* aDatabase) : FDatabase(aDatabase) {
    qel::Assert(aDatabase != nullptr, QStringLiteral("An accessor needs a database."));
    FSQL = std::make_unique<TqelQuery>(aDatabase->Connection());
}

void TqelDatabaseVaruza::Save(TqelDBComponent* aVaruza) {
    qel::Assert(aVaruza != nullptr, QStringLiteral("Save needs a row."));
    qel::SaveRow(*FSQL, *aVaruza, false);
}

void TqelDatabaseVaruza::Delete(TqelDBComponent* aVaruza) {
    qel::Assert(aVaruza != nullptr, QStringLiteral("Delete needs a row."));
    aVaruza->Delete(*FSQL);
}

void TqelDatabaseVaruza::Insert(TqelDBComponent* aVaruza) {
    qel::Assert(aVaruza != nullptr, QStringLiteral("Insert needs a row."));
    qel::InsertRow(*FSQL, *aVaruza, false);
}

void TqelDatabaseVaruza::Open(const TqelDBComponentClass& InstanceClass) {
    InstanceClass.PrepareOpen(*FSQL);
    InstanceClass.OrderBy(*FSQL);
    FSQL->Open();
}

void TqelDatabaseVaruza::Close() {
    FSQL->Close();
}
