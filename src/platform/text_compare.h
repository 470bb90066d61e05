#pragma once

#include <QString>

// Text comparisons of the runtime that ignore the case of A to Z only: other letters compare by
// their code, as they do on the system the settings files come from.
namespace qel {

// Negative, 0 or positive as aLeft sorts before, with or after aRight.
int CompareText(const QString& aLeft, const QString& aRight);
bool SameText(const QString& aLeft, const QString& aRight);

}  // namespace qel
