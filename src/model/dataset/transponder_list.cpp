#include "model/dataset/transponder_list.h"

#include "model/transponder/transponder_data.h"
#include "platform/exception.h"

namespace qel {

TqelTransponderData* TransponderList::At(int32_t anIndex) const {
    if (anIndex < 0 || anIndex >= Count()) {
        return nullptr;
    }
    return FSlots[anIndex];
}

TqelTransponderData* TransponderList::Get(int32_t anIndex) const {
    TqelTransponderData* transponder = At(anIndex);
    if (!transponder) {
        throw EArgumentOutOfRangeException(
            QStringLiteral("Index %1 is outside the list of %2 transponders")
                .arg(anIndex)
                .arg(Count()));
    }
    return transponder;
}

int32_t TransponderList::Append(std::unique_ptr<TqelTransponderData> aTransponder) {
    Assert(!FPending, QStringLiteral("A transponder is still waiting to be counted"));
    const int32_t index = Count();
    if (index >= MaxCount) {
        throw ESampleRefused(
            QStringLiteral("The dataset holds %1 transponders already").arg(index));
    }
    if (index >= FSlots.Capacity()) {
        FSlots.Grow();
    }
    FSlots[index] = aTransponder.release();
    FPending = true;
    return index;
}

void TransponderList::Publish() {
    if (FPending) {
        FPending = false;
        FCount.store(Count() + 1, std::memory_order_release);
    }
}

void TransponderList::DropPending() {
    if (FPending) {
        FPending = false;
        const int32_t index = Count();
        delete FSlots[index];
        FSlots[index] = nullptr;
    }
}

std::unique_ptr<TqelTransponderData> TransponderList::Extract(int32_t anIndex) {
    std::unique_ptr<TqelTransponderData> extracted(Get(anIndex));
    const int32_t count = Count();
    for (int32_t i = anIndex; i + 1 < count; ++i) {
        FSlots[i] = FSlots[i + 1];
    }
    FSlots[count - 1] = nullptr;
    FCount.store(count - 1, std::memory_order_release);
    return extracted;
}

void TransponderList::Clear() {
    DropPending();
    const int32_t count = Count();
    FCount.store(0, std::memory_order_release);
    for (int32_t i = 0; i < count; ++i) {
        delete FSlots[i];
        FSlots[i] = nullptr;
    }
}

}  // namespace qel
