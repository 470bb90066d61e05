#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class IqelDatasetSignals;

namespace qel {

// The subscriber list of a dataset. Subscribers are not owned.
//
// Any thread may subscribe, unsubscribe and deliver; FLock guards the list and every entry's
// state, and is never held while a subscriber runs. A delivery walks the entries present at
// its start and calls each one only while it is still subscribed, so a subscriber may
// unsubscribe itself or another one during a delivery. Unsubscribe waits until no other
// thread is inside a call of that entry; after it returns the subscriber may be freed.
class DatasetSubscribers {
public:
    enum class Order { LastToFirst, FirstToLast };

    DatasetSubscribers() = default;
    DatasetSubscribers(const DatasetSubscribers&) = delete;
    DatasetSubscribers& operator=(const DatasetSubscribers&) = delete;

    // Appends; the same subscriber may be added twice.
    void Subscribe(IqelDatasetSignals* aSubscriber);
    // Removes the subscriber's first entry; nothing when it has none.
    void Unsubscribe(IqelDatasetSignals* aSubscriber);
    bool Empty() const;
    int Count() const;

    // Calls aCall for every subscriber, in the order given, on the calling thread. An exception
    // of a subscriber ends the walk and reaches the caller.
    void Deliver(Order anOrder, const std::function<void(IqelDatasetSignals*)>& aCall);

private:
    struct Entry {
        IqelDatasetSignals* Subscriber = nullptr;
        bool Subscribed = true;
        // The threads inside a call of this entry now (one per nested call).
        std::vector<std::thread::id> Callers;
    };

    bool Enter(Entry& anEntry);
    void Leave(Entry& anEntry);

    mutable std::mutex FLock;
    std::condition_variable FLeft;
    std::vector<std::shared_ptr<Entry>> FEntries;
};

}  // namespace qel
