#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <optional>

#include "database/db_component.h"
#include "database/events/bound_rows.h"
#include "database/events/event_qualifiers.h"
#include "database/events/stored_event.h"
#include "database/generic_list.h"

// One event of a stored dataset (a row of EVENTDATA). Positions are whole metres. The row owns
// a list of qualifier values that follows its key.
class TqeldbEventData : public TqelDBComponent {
public:
    explicit TqeldbEventData(TqelDatabase* AOwner);
    ~TqeldbEventData() override;

    int32_t EvtID() const { return FEvtID; }
    // Also the key of every listed qualifier value.
    void setEvtID(int32_t aValue);
    int32_t DtsID() const { return FDtsID; }
    void setDtsID(int32_t aValue) { Set(FDtsID, aValue); }
    int32_t EvttID() const { return FEvttID; }
    void setEvttID(int32_t aValue) { Set(FEvttID, aValue); }
    int32_t EvtsID() const { return FEvtsID; }
    void setEvtsID(int32_t aValue) { Set(FEvtsID, aValue); }
    // The event's team.
    int32_t GroupID() const { return FGroupID; }
    void setGroupID(int32_t aValue) { Set(FGroupID, aValue); }
    int32_t ExerciseID() const { return FExerciseID; }
    void setExerciseID(int32_t aValue) { Set(FExerciseID, aValue); }
    int32_t PartID() const { return FPartID; }
    void setPartID(int32_t aValue) { Set(FPartID, aValue); }
    int32_t PartTimeMS() const { return FPartTimeMS; }
    void setPartTimeMS(int32_t aValue) { Set(FPartTimeMS, aValue); }
    const QString& Description() const { return FDescription; }
    void setDescription(const QString& aValue) { Set(FDescription, aValue); }
    int32_t Outcome() const { return FOutcome; }
    void setOutcome(int32_t aValue) { Set(FOutcome, aValue); }
    const QString& Category() const { return FCategory; }
    void setCategory(const QString& aValue) { Set(FCategory, aValue); }
    int32_t AthleteID() const { return FAthleteID; }
    void setAthleteID(int32_t aValue) { Set(FAthleteID, aValue); }
    int32_t TargetID() const { return FTargetID; }
    void setTargetID(int32_t aValue) { Set(FTargetID, aValue); }
    int32_t StartTimeMS() const { return FStartTimeMS; }
    void setStartTimeMS(int32_t aValue) { Set(FStartTimeMS, aValue); }
    int32_t StartPosXinM() const { return FStartPosXinM; }
    void setStartPosXinM(int32_t aValue) { Set(FStartPosXinM, aValue); }
    int32_t StartPosYinM() const { return FStartPosYinM; }
    void setStartPosYinM(int32_t aValue) { Set(FStartPosYinM, aValue); }
    int32_t StartZone() const { return FStartZone; }
    void setStartZone(int32_t aValue) { Set(FStartZone, aValue); }
    int32_t EndTimeMS() const { return FEndTimeMS; }
    void setEndTimeMS(int32_t aValue) { Set(FEndTimeMS, aValue); }
    int32_t EndPosXinM() const { return FEndPosXinM; }
    void setEndPosXinM(int32_t aValue) { Set(FEndPosXinM, aValue); }
    int32_t EndPosYinM() const { return FEndPosYinM; }
    void setEndPosYinM(int32_t aValue) { Set(FEndPosYinM, aValue); }
    int32_t EndZone() const { return FEndZone; }
    void setEndZone(int32_t aValue) { Set(FEndZone, aValue); }
    int32_t DirectionDeg() const { return FDirectionDeg; }
    void setDirectionDeg(int32_t aValue) { Set(FDirectionDeg, aValue); }
    const QString& DirectionText() const { return FDirectionText; }
    void setDirectionText(const QString& aValue) { Set(FDirectionText, aValue); }
    TqeldbEventQualifiers* Qualifiers() const { return FQualifiers.get(); }

    void PrepareSave(TqelQuery& aSQL) override;
    static void PrepareOpen(TqelQuery& aSQL);
    // Draws the key from sequence "EVENTDATA" when the row has none.
    void AfterInsert(TqelQuery& aSQL) override;
    void PrepareParams(TqelQuery& aSQL) override;
    void DataSetToVaruza(TqelQuery& aSQL) override;
    void VaruzaToDataSet(TqelQuery& aSQL) override;

    // The row's line of a multi-row insert with its values written in, columns in table order;
    // the description without surrounding blanks and control characters.
    QString InsertValuesText() const;
    // The same values, in that order, for binding: integers as they are, texts never NULL.
    qel::BoundRow InsertValues() const;

private:
    template <class T>
    void Set(T& aField, const T& aValue);

    int32_t FEvtID = 0;
    int32_t FDtsID = 0;
    int32_t FEvttID = 0;
    int32_t FEvtsID = 0;
    int32_t FGroupID = 0;
    int32_t FExerciseID = 0;
    int32_t FPartID = 0;
    int32_t FPartTimeMS = 0;
    QString FDescription;
    int32_t FOutcome = 0;
    QString FCategory;
    int32_t FAthleteID = 0;
    int32_t FTargetID = 0;
    int32_t FStartTimeMS = 0;
    int32_t FStartPosXinM = 0;
    int32_t FStartPosYinM = 0;
    int32_t FStartZone = 0;
    int32_t FEndTimeMS = 0;
    int32_t FEndPosXinM = 0;
    int32_t FEndPosYinM = 0;
    int32_t FEndZone = 0;
    int32_t FDirectionDeg = 0;
    QString FDirectionText;
    std::unique_ptr<TqeldbEventQualifiers> FQualifiers;
};

// The events of stored datasets: filled from in-memory events and written to EVENTDATA in
// multi-row inserts.
class TqeldbEventsData : public TqelGenericDatabaseVaruza<TqeldbEventData> {
public:
    // Rows per insert statement.
    static constexpr int kRowsPerStatement = 25;

    using TqelGenericDatabaseVaruza<TqeldbEventData>::TqelGenericDatabaseVaruza;

    // Appends a row filled from aEvent, giving the event a key from sequence "EVENTDATA" when
    // it has none; with aAddQualifiers the row also lists the event's qualifier values.
    TqeldbEventData* AddEvent(IqeldbEvent& aEvent, bool aAddQualifiers);
    // Deletes the dataset's events of one source (every source for -1) with their qualifier
    // values and empties the list. Returns the number of events deleted.
    int RemoveEvents(int32_t aDtsID, int8_t anEventSource);
    // Writes every listed row. On an Access database row by row, leaving the list as it is; else
    // kRowsPerStatement rows per statement, each statement's rows leaving the list as it is
    // built. A failing statement raises; the rows of later statements stay listed.
    void Store();

    // The head lines of the insert statement, before the row lines.
    static const QStringList& InsertHead();

    // Tests take the row-by-row path through this; unset, the database decides.
    void setAccessDBForTests(std::optional<bool> aValue) { FAccessDBForTests = aValue; }

private:
    bool IsAccessDB() const;
    void StoreRowByRow();
    void StoreBatches();

    std::optional<bool> FAccessDBForTests;
};
