#pragma once

#include <mutex>

class TqelDataset;

namespace qel {

// Holds a dataset's model lock (games, groups, events, markers) for a scope; nothing for an
// object without a dataset, which no other thread can reach.
class ModelLockGuard {
public:
    explicit ModelLockGuard(const TqelDataset* aDataset);

private:
    std::unique_lock<std::recursive_mutex> FLock;
};

}  // namespace qel
