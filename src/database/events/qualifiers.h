#pragma once

#include <QString>
#include <cstdint>

#include "database/db_component.h"
#include "database/generic_list.h"

// A qualifier kind known for one event source (a row of QUALIFIERS). The same id may be known
// for several sources, so the id alone is no key; the caller sets it, none is drawn.
class TqeldbQualifier : public TqelDBComponent {
public:
    explicit TqeldbQualifier(TqelDatabase* AOwner);

    int32_t ID() const { return FID; }
    void setID(int32_t aValue);
    int32_t SourceID() const { return FSourceID; }
    void setSourceID(int32_t aValue);
    const QString& QualifierName() const { return FQualifierName; }
    void setQualifierName(const QString& aValue);
    const QString& Values() const { return FValues; }
    void setValues(const QString& aValue);
    const QString& Description() const { return FDescription; }
    void setDescription(const QString& aValue);

    void PrepareSave(TqelQuery& aSQL) override;
    static void PrepareOpen(TqelQuery& aSQL);
    void PrepareParams(TqelQuery& aSQL) override;
    void DataSetToVaruza(TqelQuery& aSQL) override;
    void VaruzaToDataSet(TqelQuery& aSQL) override;

private:
    int32_t FID = 0;
    int32_t FSourceID = 0;
    QString FQualifierName;
    QString FValues;
    QString FDescription;
};

// The qualifier kinds of one source, or of every source (-1; source 0 loads every source too).
// Kinds missing from the list are inserted through the query the loading left open, so the
// list must be loaded first.
class TqeldbQualifiers : public TqelGenericDatabaseVaruza<TqeldbQualifier> {
public:
    using TqelGenericDatabaseVaruza<TqeldbQualifier>::TqelGenericDatabaseVaruza;

    void GetListOfQualifiers(int8_t anEventSource);
    // The kind's name, inserting a placeholder kind when it is not listed for that source.
    QString QualifierByID(int32_t aQlfID, int32_t aSourceID);
    // The id of the kind of exactly that name, inserting a new kind of the list's source under
    // the next id when none has it.
    int32_t QualifierByName(const QString& aQlfName);

    int8_t EventSource() const { return FEventSource; }
    // The highest listed id; 0 for a list of every source.
    int32_t HighestID() const { return FHighestID; }

private:
    int8_t FEventSource = -1;
    int32_t FHighestID = 0;
};
