#include "model/groups/model_lock.h"

#include "model/dataset/dataset.h"

namespace qel {

ModelLockGuard::ModelLockGuard(const TqelDataset* aDataset) {
    if (aDataset) {
        FLock = std::unique_lock(aDataset->ModelLock());
    }
}

}  // namespace qel
