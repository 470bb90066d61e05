#pragma once

#include <functional>
#include <memory>
#include <vector>

class TqelQuery;

// Small pieces shared by the row classes and the accessors that keep rows in lists of their own.
namespace qel {

// Raises EArgumentOutOfRangeException unless 0 <= aIndex < aCount.
void CheckRowIndex(int aIndex, int aCount);

template <class T>
T* RowAt(const std::vector<std::unique_ptr<T>>& aList, int aIndex) {
    CheckRowIndex(aIndex, static_cast<int>(aList.size()));
    return aList[static_cast<size_t>(aIndex)].get();
}

// Stores aValue and raises aModified when it differs from what aField holds.
template <class T, class F>
void StoreChanged(T& aField, const T& aValue, F&& aMarkModified) {
    if (aField != aValue) {
        aField = aValue;
        aMarkModified();
    }
}

// Runs aWork and closes aSQL afterwards, also when aWork raises.
void CloseAfter(TqelQuery& aSQL, const std::function<void()>& aWork);

}  // namespace qel
