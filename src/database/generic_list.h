#pragma once

#include <QString>
#include <algorithm>
#include <memory>
#include <type_traits>
#include <vector>

#include "database/db_component.h"
#include "platform/exception.h"
#include "platform/guid_text.h"

// An accessor for the rows of one class T that also loads a query's result into a list of
// rows it owns. Descendants set the query's text, conditions and parameters and call OpenList.
// Saving and inserting clear the rows' Modified flags.
//
// Belongs to the thread of its database, like its rows.
template <class T>
class TqelGenericDatabaseVaruza {
    static_assert(std::is_base_of_v<TqelDBComponent, T>, "rows derive from TqelDBComponent");

public:
    using TVaruzaList = std::vector<std::unique_ptr<T>>;

    explicit TqelGenericDatabaseVaruza(TqelDatabase* aDatabase) : FDatabase(aDatabase) {
        qel::Assert(aDatabase != nullptr, QStringLiteral("An accessor needs a database."));
        FSQL = std::make_unique<TqelQuery>(aDatabase->Connection());
    }
    virtual ~TqelGenericDatabaseVaruza() = default;
    TqelGenericDatabaseVaruza(const TqelGenericDatabaseVaruza&) = delete;
    TqelGenericDatabaseVaruza& operator=(const TqelGenericDatabaseVaruza&) = delete;

    // Opens the query as prepared and replaces the rows of aList (the own list when none) with
    // one row per record. The query stays open.
    virtual void OpenList(TVaruzaList* aList = nullptr) {
        TVaruzaList& target = aList ? *aList : FVaruzas;
        FSQL->Open();
        target.clear();
        while (!FSQL->Eof()) {
            target.push_back(std::make_unique<T>(FDatabase));
            T& row = *target.back();
            row.DataSetToVaruza(*FSQL);
            row.SetModified(false);
            FSQL->Next();
        }
    }

    virtual void Save(T* aVaruza) {
        qel::Assert(aVaruza != nullptr, QStringLiteral("Save needs a row."));
        qel::SaveRow(*FSQL, *aVaruza, true);
    }

    // Runs the row's delete statements; a row of the own list is then removed and freed, any
    // other stays the caller's. Nothing for none.
    virtual void Delete(T* aVaruza) {
        if (!aVaruza) {
            return;
        }
        aVaruza->Delete(*FSQL);
        const auto found =
            std::find_if(FVaruzas.begin(), FVaruzas.end(),
                         [aVaruza](const auto& aRow) { return aRow.get() == aVaruza; });
        if (found != FVaruzas.end()) {
            FVaruzas.erase(found);
        }
    }

    // The query must be open on the row's table.
    virtual void Insert(T* aVaruza) {
        qel::Assert(aVaruza != nullptr, QStringLiteral("Insert needs a row."));
        qel::InsertRow(*FSQL, *aVaruza, true);
    }

    virtual void Close() { FSQL->Close(); }

    void ClearList() { FVaruzas.clear(); }

    // The last row whose GUID is aGUID in its braced text form; none for an empty text or when
    // nothing matches. Text that is no GUID raises EConvertError when there are rows to compare.
    T* GetByGUID(const QString& aGUID) const {
        if (aGUID.isEmpty() || FVaruzas.empty()) {
            return nullptr;
        }
        const QUuid guid = qel::StringToGuid(aGUID);
        T* found = nullptr;
        for (const auto& row : FVaruzas) {
            if (row->GUID() == guid) {
                found = row.get();
            }
        }
        return found;
    }

    // A new row appended to the own list, which owns it.
    T* AddVaruza() {
        FVaruzas.push_back(std::make_unique<T>(FDatabase));
        return FVaruzas.back().get();
    }
    // A new row in no list: the caller's.
    std::unique_ptr<T> NewVaruza() const { return std::make_unique<T>(FDatabase); }

    // Raises EArgumentOutOfRangeException for a position outside the list.
    T* GetVaruzas(int aIndex) const {
        if (aIndex < 0 || aIndex >= GetCount()) {
            throw EArgumentOutOfRangeException(
                QStringLiteral("Index %1 is outside the list of %2 rows")
                    .arg(aIndex)
                    .arg(GetCount()));
        }
        return FVaruzas[static_cast<size_t>(aIndex)].get();
    }
    T* Varuzas(int aIndex) const { return GetVaruzas(aIndex); }
    int GetCount() const { return static_cast<int>(FVaruzas.size()); }
    int Count() const { return GetCount(); }

    TqelDatabase* Database() const { return FDatabase; }
    TqelQuery& SQL() const { return *FSQL; }
    TVaruzaList& VaruzaList() { return FVaruzas; }
    const TVaruzaList& VaruzaList() const { return FVaruzas; }

private:
    TqelDatabase* FDatabase;
    std::unique_ptr<TqelQuery> FSQL;
    TVaruzaList FVaruzas;
};
