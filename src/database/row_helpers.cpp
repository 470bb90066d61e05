#include "database/row_helpers.h"

#include <QString>

#include "database/query.h"
#include "platform/exception.h"

namespace qel {

void CheckRowIndex(int aIndex, int aCount) {
    if (aIndex < 0 || aIndex >= aCount) {
        throw EArgumentOutOfRangeException(
            QStringLiteral("Index %1 is outside the list of %2 rows").arg(aIndex).arg(aCount));
    }
}

void CloseAfter(TqelQuery& aSQL, const std::function<void()>& aWork) {
    try {
        aWork();
    } catch (...) {
        aSQL.Close();
        throw;
    }
    aSQL.Close();
}

}  // namespace qel
