#pragma once

#include "database/db_component.h"
#include "database/row_helpers.h"

namespace qel {

// A row whose setters mark it modified only when they change a value.
class TrackedRow : public TqelDBComponent {
public:
    using TqelDBComponent::TqelDBComponent;

protected:
    template <class T>
    void Store(T& aField, const T& aValue) {
        StoreChanged(aField, aValue, [this] { setModified(true); });
    }
};

}  // namespace qel

namespace qel {

// A plain object (not a persistent row) whose setters mark it modified only when they change a
// value. A NaN differs from everything, itself included, so storing one always marks it.
class TrackedValues {
public:
    bool Modified() const { return FModified; }
    void setModified(bool aValue) { FModified = aValue; }

protected:
    template <class T>
    void Store(T& aField, const T& aValue) {
        StoreChanged(aField, aValue, [this] { FModified = true; });
    }

private:
    bool FModified = false;
};

}  // namespace qel
