#include "database/agility/agility_sql.h"

#include "database/database.h"
#include "database/query.h"
#include "database/row_helpers.h"
#include "database/transaction_scope.h"
#include "platform/exception.h"

namespace qel {

std::unique_ptr<TqelQuery> AgilityQuery(TqelDatabaseConnection* aDatabaseConnection) {
    return aDatabaseConnection ? std::make_unique<TqelQuery>(aDatabaseConnection) : nullptr;
}

void RunAgilityTransaction(TqelQuery& aSQL, const std::function<void()>& aWork) {
    RunInTransaction(AgilityDatabase(aSQL), aWork);
}

TqelDatabase& AgilityDatabase(TqelQuery& aSQL) {
    TqelDatabase* database = aSQL.Database();
    Assert(database != nullptr,
           QStringLiteral("Agility tests are stored through a connection of a TqelDatabase."));
    return *database;
}

void EditOrInsert(TqelQuery& aSQL, const std::function<void(bool aInserting)>& aWrite) {
    CloseAfter(aSQL, [&] {
        aSQL.Open();
        const bool inserting = aSQL.IsEmpty();
        if (inserting) {
            aSQL.Insert();
        } else {
            aSQL.Edit();
        }
        try {
            aWrite(inserting);
            aSQL.Post();
        } catch (...) {
            aSQL.Cancel();
            throw;
        }
    });
}

}  // namespace qel
