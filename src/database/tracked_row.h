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
