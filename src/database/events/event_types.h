#pragma once

#include <QString>
#include <cstdint>

#include "database/db_component.h"
#include "database/generic_list.h"

// An event type known for one event source (a row of EVENTTYPE, keyed by type and source).
class TqeldbEventType : public TqelDBComponent {
public:
    explicit TqeldbEventType(TqelDatabase* AOwner);

    int32_t ID() const { return FID; }
    void setID(int32_t aValue);
    int32_t SourceID() const { return FSourceID; }
    void setSourceID(int32_t aValue);
    const QString& TypeName() const { return FTypeName; }
    void setTypeName(const QString& aValue);
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
    QString FTypeName;
    QString FDescription;
};

// The event types of one source, or of every source (-1). Types missing from the list are
// inserted through the query the loading left open, so the list must be loaded first.
class TqeldbEventTypes : public TqelGenericDatabaseVaruza<TqeldbEventType> {
public:
    // The source whose types get numbers for names.
    static constexpr int8_t kAlgorithmsSource = 10;

    using TqelGenericDatabaseVaruza<TqeldbEventType>::TqelGenericDatabaseVaruza;

    // The built-in name of an event type: its low 8 bits as a TqelEventKind; empty past the
    // known kinds.
    static QString BuiltInName(int32_t anEventType);

    void GetListOfEventTypes(int8_t anEventSource);
    // The type's name without surrounding blanks, inserting a row when the type is not listed.
    QString TypeByID(int32_t anEventType, int8_t anEventSource);
    // The id of the type of that name (case is ignored), saving a new type of the list's source
    // when none has it; 0 for a list of every source.
    int32_t GetEventTypeID(const QString& anEventName);

    int8_t EventSource() const { return FEventSource; }
    // The highest listed id; 0 for a list of every source.
    int32_t HighestID() const { return FHighestID; }

private:
    int8_t FEventSource = -1;
    int32_t FHighestID = 0;
};
