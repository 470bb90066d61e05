#pragma once

#include <functional>

class TqelDatabase;

namespace qel {

// Runs aWork in a transaction of its own, committed when aWork returns and rolled back when it
// raises. Inside a transaction the caller opened, aWork simply joins it: the caller decides.
void RunInTransaction(TqelDatabase& aDatabase, const std::function<void()>& aWork);

}  // namespace qel
