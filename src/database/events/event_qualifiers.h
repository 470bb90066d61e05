#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

#include "database/db_component.h"
#include "database/events/bound_rows.h"
#include "database/generic_list.h"

// One qualifier value of a stored event (a row of EVENT_QUALIFIERS). Rows are only ever
// appended: a value may be given twice for one event and kind.
class TqeldbEventQualifier : public TqelDBComponent {
public:
    // Characters of a value that are stored.
    static constexpr int kValueSize = 250;

    explicit TqeldbEventQualifier(TqelDatabase* AOwner);

    int32_t EvtID() const { return FEvtID; }
    void setEvtID(int32_t aValue);
    int32_t QlfID() const { return FQlfID; }
    void setQlfID(int32_t aValue);
    int32_t SourceID() const { return FSourceID; }
    void setSourceID(int32_t aValue);
    // The type of the event.
    int32_t TypeID() const { return FTypeID; }
    void setTypeID(int32_t aValue);
    const QString& Value() const { return FValue; }
    void setValue(const QString& aValue);

    void PrepareSave(TqelQuery& aSQL) override;
    static void PrepareOpen(TqelQuery& aSQL);
    void DataSetToVaruza(TqelQuery& aSQL) override;
    void VaruzaToDataSet(TqelQuery& aSQL) override;

    // The value as the batch stores it: its first kValueSize characters without surrounding
    // blanks and control characters.
    QString StoredValue() const;
    // The row's line of a multi-row insert with its values written in:
    // "( EVT_ID, QLF_ID, EVTT_ID, 'value', EVTS_ID)".
    QString InsertValuesText() const;
    // The same values, in that order, for binding.
    qel::BoundRow InsertValues() const;

private:
    int32_t FEvtID = 0;
    int32_t FQlfID = 0;
    int32_t FSourceID = 0;
    int32_t FTypeID = 0;
    QString FValue;
};

// Qualifier values written to EVENT_QUALIFIERS in multi-row inserts. A batch that fails is
// saved to an error file next to the executable, for a person to replay, and reported to the
// crash reporter; the store goes on with the next batch.
class TqeldbEventQualifiers : public TqelGenericDatabaseVaruza<TqeldbEventQualifier> {
public:
    // Rows per insert statement.
    static constexpr int kRowsPerStatement = 25;

    using TqelGenericDatabaseVaruza<TqeldbEventQualifier>::TqelGenericDatabaseVaruza;

    // Appends a row to the list, which owns it.
    TqeldbEventQualifier* Add(int32_t aEventID, int32_t aQualifierID, int32_t aTypeID,
                              int32_t aSourceID, const QString& aValue);
    void Clear() { ClearList(); }
    // Sends every listed row from the front and empties the list, failed batches included.
    void Store();

    // The head lines of the insert statement, before the row lines.
    static const QStringList& InsertHead();
    // Where a failed batch of the given local time is saved: the executable's folder and name,
    // the time as "yyyy-mmdd hhnnsszzz" and "- Error.SQL".
    static QString ErrorFileName(TDateTime aNow);
};
