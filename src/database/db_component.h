#pragma once

#include <QString>
#include <QUuid>
#include <cstdint>
#include <memory>

#include "database/database.h"
#include "database/query.h"

// One persistent row. A row class knows its table, key and columns through the operations
// below; the accessors (TqelDatabaseVaruza, TqelGenericDatabaseVaruza<T>) drive them through
// one query. A row class T is constructed as T(TqelDatabase*) and may hide the static
// PrepareOpen and OrderBy with its own; TqelDBComponentClass::Of<T>() reaches them.
//
// A row belongs to the thread of its database. It keeps a reference to the database that
// becomes empty when the database goes.
class TqelDBComponent {
public:
    explicit TqelDBComponent(TqelDatabase* AOwner);
    virtual ~TqelDBComponent() = default;
    TqelDBComponent(const TqelDBComponent&) = delete;
    TqelDBComponent& operator=(const TqelDBComponent&) = delete;

    // The database the row was made for; none once it is gone.
    TqelDatabase* Owner() const { return FOwner.get(); }

    const QUuid& GUID() const { return FGUID; }
    void setGUID(const QUuid& aValue) { SetGUID(aValue); }
    bool Modified() const { return GetModified(); }
    void setModified(bool aValue) { SetModified(aValue); }

    // The row is not stored although its key may hold a value (a local placeholder, or a key
    // whose draw a failed save rolled back): its next save inserts it, never updating the record
    // that key selects.
    virtual bool InsertPending() const { return FInsertPending; }
    void setInsertPending(bool aValue) { FInsertPending = aValue; }

    virtual void SetModified(bool Value) { FModified = Value; }
    virtual void SetGUID(const QUuid& Value) { FGUID = Value; }
    virtual bool GetModified() const { return FModified; }
    // The statement that selects this row by its key.
    virtual void PrepareSave(TqelQuery& aSQL) {}
    // The table's select statement and ordering (called on the class).
    static void PrepareOpen(TqelQuery& aSQL) {}
    static void OrderBy(TqelQuery& aSQL) {}
    // Deletes this row (and its dependent rows) through aSQL. Raises unless a row class says how.
    virtual void Delete(TqelQuery& aSQL);
    // Draws the new key (GetPrimaryKey) and stores it in the row.
    virtual void AfterInsert(TqelQuery& aSQL) {}
    // The key parameters of the PrepareSave statement.
    virtual void PrepareParams(TqelQuery& aSQL) {}
    virtual void DataSetToVaruza(TqelQuery& aSQL) = 0;
    // Writes every column with the query's field setters, which change only what differs.
    virtual void VaruzaToDataSet(TqelQuery& aSQL) = 0;

    // The key of aSQL's field aFieldName, drawn from sequence aTableName while inserting.
    int32_t GetPrimaryKey(TqelQuery& aSQL, const QString& aFieldName, const QString& aTableName);

private:
    bool FModified = false;
    bool FInsertPending = false;
    QUuid FGUID;
    qel::GuardedRef<TqelDatabase> FOwner;
};

// A reference to a row class: its constructor and its class operations.
struct TqelDBComponentClass {
    std::unique_ptr<TqelDBComponent> (*Create)(TqelDatabase* AOwner) = nullptr;
    void (*PrepareOpen)(TqelQuery& aSQL) = nullptr;
    void (*OrderBy)(TqelQuery& aSQL) = nullptr;

    template <class T>
    static TqelDBComponentClass Of() {
        static_assert(std::is_base_of_v<TqelDBComponent, T>);
        return {[](TqelDatabase* AOwner) -> std::unique_ptr<TqelDBComponent> {
                    return std::make_unique<T>(AOwner);
                },
                &T::PrepareOpen, &T::OrderBy};
    }
};

namespace qel {

// Saves aRow through aSQL: selects it by its key, inserts it (drawing its key) when nothing is
// found or the row's insert is pending, else updates the one record found with what changed. A
// key that selects more than one record raises, as does anything the row's writer raises; the
// pending record is dropped then. aSQL is closed afterwards in every case.
//
// The save is one transaction of its own (key draw, select, insert or update), or part of the
// caller's when one is open: a save that fails leaves no row and, in its own transaction, no
// key drawn.
void SaveRow(TqelQuery& aSQL, TqelDBComponent& aRow, bool aClearModified);
// Appends aRow to the table aSQL is open on, in one transaction as above; a failure drops the
// new record and raises.
void InsertRow(TqelQuery& aSQL, TqelDBComponent& aRow, bool aClearModified);

}  // namespace qel

// An accessor that saves, inserts, deletes and opens rows one at a time; descendants walk the
// opened records themselves. Leaves the rows' Modified flags alone.
class TqelDatabaseVaruza {
public:
    explicit TqelDatabaseVaruza(TqelDatabase* aDatabase);
    virtual ~TqelDatabaseVaruza() = default;
    TqelDatabaseVaruza(const TqelDatabaseVaruza&) = delete;
    TqelDatabaseVaruza& operator=(const TqelDatabaseVaruza&) = delete;

    TqelDatabase* Database() const { return FDatabase; }
    TqelQuery& SQL() const { return *FSQL; }

    virtual void Save(TqelDBComponent* aVaruza);
    virtual void Delete(TqelDBComponent* aVaruza);
    // The query must be open on the row's table.
    virtual void Insert(TqelDBComponent* aVaruza);
    // The class's select and ordering, opened.
    virtual void Open(const TqelDBComponentClass& InstanceClass);
    virtual void Close();

private:
    TqelDatabase* FDatabase;
    std::unique_ptr<TqelQuery> FSQL;
};
