#include "model/dataset/dataset_subscribers.h"

#include <algorithm>

namespace qel {

void DatasetSubscribers::Subscribe(IqelDatasetSignals* aSubscriber) {
    auto entry = std::make_shared<Entry>();
    entry->Subscriber = aSubscriber;
    std::lock_guard lock(FLock);
    FEntries.push_back(std::move(entry));
}

void DatasetSubscribers::Unsubscribe(IqelDatasetSignals* aSubscriber) {
    std::unique_lock lock(FLock);
    const auto found = std::find_if(FEntries.begin(), FEntries.end(), [&](const auto& entry) {
        return entry->Subscriber == aSubscriber;
    });
    if (found == FEntries.end()) {
        return;
    }
    const std::shared_ptr<Entry> entry = *found;
    FEntries.erase(found);
    entry->Subscribed = false;
    // Calls on this thread are further up the stack and cannot be waited for.
    const auto self = std::this_thread::get_id();
    FLeft.wait(lock, [&] {
        return std::all_of(entry->Callers.begin(), entry->Callers.end(),
                           [&](std::thread::id caller) { return caller == self; });
    });
}

bool DatasetSubscribers::Empty() const {
    std::lock_guard lock(FLock);
    return FEntries.empty();
}

int DatasetSubscribers::Count() const {
    std::lock_guard lock(FLock);
    return static_cast<int>(FEntries.size());
}

bool DatasetSubscribers::Enter(Entry& anEntry) {
    std::lock_guard lock(FLock);
    if (!anEntry.Subscribed) {
        return false;
    }
    anEntry.Callers.push_back(std::this_thread::get_id());
    return true;
}

void DatasetSubscribers::Leave(Entry& anEntry) {
    {
        std::lock_guard lock(FLock);
        const auto self =
            std::find(anEntry.Callers.begin(), anEntry.Callers.end(), std::this_thread::get_id());
        anEntry.Callers.erase(self);
    }
    FLeft.notify_all();
}

void DatasetSubscribers::Deliver(Order anOrder,
                                 const std::function<void(IqelDatasetSignals*)>& aCall) {
    std::vector<std::shared_ptr<Entry>> snapshot;
    {
        std::lock_guard lock(FLock);
        snapshot = FEntries;
    }
    if (anOrder == Order::LastToFirst) {
        std::reverse(snapshot.begin(), snapshot.end());
    }
    for (const auto& entry : snapshot) {
        if (!Enter(*entry)) {
            continue;
        }
        struct LeaveOnExit {
            DatasetSubscribers& List;
            Entry& Called;
            ~LeaveOnExit() { List.Leave(Called); }
        } leave{*this, *entry};
        aCall(entry->Subscriber);
    }
}

}  // namespace qel
