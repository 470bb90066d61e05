#include "database/transaction_scope.h"

#include "database/database.h"

namespace qel {

void RunInTransaction(TqelDatabase& aDatabase, const std::function<void()>& aWork) {
    if (aDatabase.Connection()->InTransaction()) {
        aWork();
        return;
    }
    aDatabase.StartTransaction();
    try {
        aWork();
        aDatabase.Commit();
    } catch (...) {
        try {
            aDatabase.Rollback();
        } catch (...) {
            // The failure of the work is the one to report.
        }
        throw;
    }
}

}  // namespace qel
