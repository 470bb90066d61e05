#include "database/db_component.h"

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

void SaveRow(TqelQuery& aSQL, TqelDBComponent& aRow, bool aClearModified) {
    try {
        aRow.PrepareSave(aSQL);
        aRow.PrepareParams(aSQL);
        aSQL.Open();
        // Updating whichever record came first would overwrite a row that is not this one.
        if (aSQL.RecordCount() > 1) {
            throw EDatabaseError(
                QStringLiteral("The key of the row to save selects %1 records instead of one")
                    .arg(aSQL.RecordCount()));
        }
        if (aSQL.IsEmpty()) {
            aSQL.Insert();
            aRow.AfterInsert(aSQL);
        }
        try {
            aRow.VaruzaToDataSet(aSQL);
            aSQL.Post();
            if (aClearModified) {
                aRow.SetModified(false);
            }
        } catch (...) {
            aSQL.Cancel();
            throw;
        }
    } catch (...) {
        aSQL.Close();
        throw;
    }
    aSQL.Close();
}

void InsertRow(TqelQuery& aSQL, TqelDBComponent& aRow, bool aClearModified) {
    try {
        aSQL.Insert();
        aRow.AfterInsert(aSQL);
        aRow.VaruzaToDataSet(aSQL);
        if (aClearModified) {
            aRow.SetModified(false);
        }
        aSQL.Post();
    } catch (...) {
        aSQL.Cancel();
        throw;
    }
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
