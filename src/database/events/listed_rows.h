#pragma once

#include <algorithm>

#include "database/generic_list.h"

// Rows that a look-up adds to its list and stores at once. When storing fails the row leaves
// the list again, so that a later look-up does not take it for a stored one.
namespace qel {

template <class T>
void DropListed(TqelGenericDatabaseVaruza<T>& aList, T* aRow) {
    auto& rows = aList.VaruzaList();
    rows.erase(std::remove_if(rows.begin(), rows.end(),
                              [aRow](const auto& aListed) { return aListed.get() == aRow; }),
               rows.end());
}

// Inserts aRow, a row of aList's own list, through the query aList has open.
template <class T>
void InsertListed(TqelGenericDatabaseVaruza<T>& aList, T* aRow) {
    try {
        aList.Insert(aRow);
    } catch (...) {
        DropListed(aList, aRow);
        throw;
    }
}

}  // namespace qel
