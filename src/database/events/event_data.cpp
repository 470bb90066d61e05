#include "database/events/event_data.h"

#include <algorithm>

#include "database/row_helpers.h"
#include "foundation/text_utils.h"
#include "platform/crash_reporter.h"
#include "platform/numbers.h"

namespace {

const QString kEVT_ID = QStringLiteral("EVT_ID");
const QString kDTS_ID = QStringLiteral("DTS_ID");
const QString kEVTT_ID = QStringLiteral("EVTT_ID");
const QString kEVTS_ID = QStringLiteral("EVTS_ID");
const QString kEVT_DESCRIPTION = QStringLiteral("EVT_DESCRIPTION");
const QString kEVT_RESULT = QStringLiteral("EVT_RESULT");
const QString kEVT_CATEGORY = QStringLiteral("EVT_CATEGORY");
const QString kEVT_ATHLETE_TPID = QStringLiteral("EVT_ATHLETE_TPID");
const QString kEVT_TARGET_TPID = QStringLiteral("EVT_TARGET_TPID");
const QString kEVT_START_TIME_MS = QStringLiteral("EVT_START_TIME_MS");
const QString kEVT_START_POS_X_IN_M = QStringLiteral("EVT_START_POS_X_IN_M");
const QString kEVT_START_POS_Y_IN_M = QStringLiteral("EVT_START_POS_Y_IN_M");
const QString kEVT_START_ZONE = QStringLiteral("EVT_START_ZONE");
const QString kEVT_END_TIME_MS = QStringLiteral("EVT_END_TIME_MS");
const QString kEVT_END_POS_X_IN_M = QStringLiteral("EVT_END_POS_X_IN_M");
const QString kEVT_END_POS_Y_IN_M = QStringLiteral("EVT_END_POS_Y_IN_M");
const QString kEVT_END_ZONE = QStringLiteral("EVT_END_ZONE");
const QString kEVT_DIRECTION_DEG = QStringLiteral("EVT_DIRECTION_DEG");
const QString kEVT_DIRECTION_TXT = QStringLiteral("EVT_DIRECTION_TXT");
const QString kGRP_ID = QStringLiteral("GRP_ID");
const QString kEXR_ID = QStringLiteral("EXR_ID");
const QString kPRT_ID = QStringLiteral("PRT_ID");
const QString kEVT_PRT_TIME_MS = QStringLiteral("EVT_PRT_TIME_MS");

const QString kSequence = QStringLiteral("EVENTDATA");

// The columns in the order of the multi-row insert.
const QString* const kColumns[] = {&kEVT_ID,
                                   &kDTS_ID,
                                   &kEVTT_ID,
                                   &kEVTS_ID,
                                   &kEVT_DESCRIPTION,
                                   &kEVT_RESULT,
                                   &kEVT_CATEGORY,
                                   &kEVT_ATHLETE_TPID,
                                   &kEVT_TARGET_TPID,
                                   &kEVT_START_TIME_MS,
                                   &kEVT_START_POS_X_IN_M,
                                   &kEVT_START_POS_Y_IN_M,
                                   &kEVT_START_ZONE,
                                   &kEVT_END_TIME_MS,
                                   &kEVT_END_POS_X_IN_M,
                                   &kEVT_END_POS_Y_IN_M,
                                   &kEVT_END_ZONE,
                                   &kEVT_DIRECTION_DEG,
                                   &kEVT_DIRECTION_TXT,
                                   &kGRP_ID,
                                   &kEXR_ID,
                                   &kPRT_ID,
                                   &kEVT_PRT_TIME_MS};

// The description as the client programs read it: every label followed by a line break.
QString LabelsText(const QStringList& aLabels) {
    QString text;
    for (const QString& label : aLabels) {
        text += label + QStringLiteral("\r\n");
    }
    return text;
}

}  // namespace

// ---- TqeldbEventData ------------------------------------------------------------------------

TqeldbEventData::TqeldbEventData(TqelDatabase* AOwner)
    : TqelDBComponent(AOwner), FQualifiers(std::make_unique<TqeldbEventQualifiers>(AOwner)) {}

TqeldbEventData::~TqeldbEventData() = default;

template <class T>
void TqeldbEventData::Set(T& aField, const T& aValue) {
    qel::StoreChanged(aField, aValue, [this] { setModified(true); });
}

void TqeldbEventData::setEvtID(int32_t aValue) {
    Set(FEvtID, aValue);
    for (const auto& qualifier : FQualifiers->VaruzaList()) {
        qualifier->setEvtID(aValue);
    }
}

void TqeldbEventData::PrepareSave(TqelQuery& aSQL) {
    PrepareOpen(aSQL);
    aSQL.SetParamAsInteger(kEVT_ID, FEvtID);
}

void TqeldbEventData::PrepareOpen(TqelQuery& aSQL) {
    aSQL.setText(QStringLiteral("select * from EVENTDATA where EVT_ID = :EVT_ID"));
    aSQL.SetParamAsInteger(kEVT_ID, 0);
}

void TqeldbEventData::AfterInsert(TqelQuery& aSQL) {
    if (FEvtID == 0) {
        setEvtID(GetPrimaryKey(aSQL, kEVT_ID, kSequence));
    }
}

void TqeldbEventData::PrepareParams(TqelQuery& aSQL) {
    aSQL.SetParamAsInteger(kEVT_ID, FEvtID);
}

void TqeldbEventData::DataSetToVaruza(TqelQuery& aSQL) {
    setEvtID(aSQL.GetFieldAsInteger(kEVT_ID));
    setDtsID(aSQL.GetFieldAsInteger(kDTS_ID));
    setEvttID(aSQL.GetFieldAsInteger(kEVTT_ID));
    setEvtsID(aSQL.GetFieldAsInteger(kEVTS_ID));
    setDescription(aSQL.GetFieldAsString(kEVT_DESCRIPTION));
    setOutcome(aSQL.GetFieldAsInteger(kEVT_RESULT));
    setCategory(aSQL.GetFieldAsString(kEVT_CATEGORY));
    setAthleteID(aSQL.GetFieldAsInteger(kEVT_ATHLETE_TPID));
    setTargetID(aSQL.GetFieldAsInteger(kEVT_TARGET_TPID));
    setStartTimeMS(aSQL.GetFieldAsInteger(kEVT_START_TIME_MS));
    setStartPosXinM(aSQL.GetFieldAsInteger(kEVT_START_POS_X_IN_M));
    setStartPosYinM(aSQL.GetFieldAsInteger(kEVT_START_POS_Y_IN_M));
    setStartZone(aSQL.GetFieldAsInteger(kEVT_START_ZONE));
    setEndTimeMS(aSQL.GetFieldAsInteger(kEVT_END_TIME_MS));
    setEndPosXinM(aSQL.GetFieldAsInteger(kEVT_END_POS_X_IN_M));
    setEndPosYinM(aSQL.GetFieldAsInteger(kEVT_END_POS_Y_IN_M));
    setEndZone(aSQL.GetFieldAsInteger(kEVT_END_ZONE));
    setDirectionDeg(aSQL.GetFieldAsInteger(kEVT_DIRECTION_DEG));
    setDirectionText(aSQL.GetFieldAsString(kEVT_DIRECTION_TXT));
    setGroupID(aSQL.GetFieldAsInteger(kGRP_ID));
    setExerciseID(aSQL.GetFieldAsInteger(kEXR_ID));
    setPartID(aSQL.GetFieldAsInteger(kPRT_ID));
    setPartTimeMS(aSQL.GetFieldAsInteger(kEVT_PRT_TIME_MS));
}

void TqeldbEventData::VaruzaToDataSet(TqelQuery& aSQL) {
    aSQL.SetFieldAsInteger(kEVT_ID, FEvtID);
    aSQL.SetFieldAsInteger(kDTS_ID, FDtsID);
    aSQL.SetFieldAsInteger(kEVTT_ID, FEvttID);
    aSQL.SetFieldAsInteger(kEVTS_ID, FEvtsID);
    aSQL.SetFieldAsString(kEVT_DESCRIPTION, FDescription);
    aSQL.SetFieldAsIntegerReq(kEVT_RESULT, FOutcome);
    aSQL.SetFieldAsString(kEVT_CATEGORY, FCategory);
    aSQL.SetFieldAsInteger(kEVT_ATHLETE_TPID, FAthleteID);
    aSQL.SetFieldAsInteger(kEVT_TARGET_TPID, FTargetID);
    aSQL.SetFieldAsIntegerReq(kEVT_START_TIME_MS, FStartTimeMS);
    aSQL.SetFieldAsIntegerReq(kEVT_START_POS_X_IN_M, FStartPosXinM);
    aSQL.SetFieldAsIntegerReq(kEVT_START_POS_Y_IN_M, FStartPosYinM);
    aSQL.SetFieldAsInteger(kEVT_START_ZONE, FStartZone);
    aSQL.SetFieldAsIntegerReq(kEVT_END_TIME_MS, FEndTimeMS);
    aSQL.SetFieldAsFloatReq(kEVT_END_POS_X_IN_M, FEndPosXinM);
    aSQL.SetFieldAsFloatReq(kEVT_END_POS_Y_IN_M, FEndPosYinM);
    aSQL.SetFieldAsInteger(kEVT_END_ZONE, FEndZone);
    aSQL.SetFieldAsFloatReq(kEVT_DIRECTION_DEG, FDirectionDeg);
    aSQL.SetFieldAsString(kEVT_DIRECTION_TXT, FDirectionText);
    aSQL.SetFieldAsInteger(kGRP_ID, FGroupID);
    aSQL.SetFieldAsInteger(kEXR_ID, FExerciseID);
    aSQL.SetFieldAsInteger(kPRT_ID, FPartID);
    aSQL.SetFieldAsInteger(kEVT_PRT_TIME_MS, FPartTimeMS);
}

qel::BoundRow TqeldbEventData::InsertValues() const {
    const auto integer = [](int32_t aValue) { return QVariant(qlonglong{aValue}); };
    // Texts bound as empty text, never NULL: the literal statement wrote ''.
    const auto text = [](const QString& aValue) {
        return QVariant(aValue.isNull() ? QStringLiteral("") : aValue);
    };
    return {integer(FEvtID),
            integer(FDtsID),
            integer(FEvttID),
            integer(FEvtsID),
            text(qel::Trim(FDescription)),
            integer(FOutcome),
            text(FCategory),
            integer(FAthleteID),
            integer(FTargetID),
            integer(FStartTimeMS),
            integer(FStartPosXinM),
            integer(FStartPosYinM),
            integer(FStartZone),
            integer(FEndTimeMS),
            integer(FEndPosXinM),
            integer(FEndPosYinM),
            integer(FEndZone),
            integer(FDirectionDeg),
            text(FDirectionText),
            integer(FGroupID),
            integer(FExerciseID),
            integer(FPartID),
            integer(FPartTimeMS)};
}

QString TqeldbEventData::InsertValuesText() const {
    QStringList values;
    for (const QVariant& value : InsertValues()) {
        values << (value.typeId() == QMetaType::QString ? qel::SqlTextLiteral(value.toString())
                                                        : value.toString());
    }
    return QStringLiteral("( ") + values.join(QStringLiteral(", ")) + u')';
}

// ---- TqeldbEventsData -----------------------------------------------------------------------

TqeldbEventData* TqeldbEventsData::AddEvent(IqeldbEvent& aEvent, bool aAddQualifiers) {
    TqeldbEventData* row = AddVaruza();
    if (aEvent.GetID() == 0) {
        aEvent.SetID(Database()->GetNextValue(kSequence));
    }
    row->setEvtID(aEvent.GetID());
    row->setDtsID(aEvent.GetDBDtsID());
    row->setEvttID(aEvent.GetEventType());
    row->setEvtsID(aEvent.GetEventSource());
    row->setDescription(LabelsText(aEvent.GetLabels()));
    row->setAthleteID(aEvent.GetAthleteID());
    row->setTargetID(aEvent.GetTargetID());
    row->setStartTimeMS(aEvent.GetTimeStart());
    row->setStartPosXinM(qel::RoundToInt32(aEvent.GetXinM()));
    row->setStartPosYinM(qel::RoundToInt32(aEvent.GetYinM()));
    row->setEndTimeMS(aEvent.GetTimeEnd());
    row->setEndPosXinM(qel::RoundToInt32(aEvent.GetEndXinM()));
    row->setEndPosYinM(qel::RoundToInt32(aEvent.GetEndYinM()));
    row->setOutcome(aEvent.GetOutcome());
    row->setGroupID(aEvent.GetTeamID());
    row->setExerciseID(aEvent.GetExerciseID());
    row->setPartID(aEvent.GetPartID());
    row->setPartTimeMS(aEvent.GetPartTimeMS());
    if (aAddQualifiers) {
        const uint32_t count = aEvent.GetQualifierCount();
        for (uint32_t i = 0; i < count; ++i) {
            const TqeldbEventQualifierValue qualifier = aEvent.GetQualifier(i);
            row->Qualifiers()->Add(row->EvtID(), qualifier.ID, row->EvttID(), row->EvtsID(),
                                   qualifier.Value);
        }
    }
    return row;
}

int TqeldbEventsData::RemoveEvents(int32_t aDtsID, int8_t anEventSource) {
    TqelQuery& query = SQL();
    query.setText(QStringLiteral(
        "delete from EVENT_QUALIFIERS where EVT_ID in (select EVT_ID from EVENTDATA where "
        "DTS_ID = :DTS_ID "));
    query.AddLine(anEventSource == -1 ? QStringLiteral(")")
                                      : QStringLiteral("and EVTS_ID = :EVTS_ID )"));
    query.SetParamAsInteger(kDTS_ID, aDtsID);
    query.SetParamAsInteger(kEVTS_ID, anEventSource);
    query.ExecSQL();

    query.setText(QStringLiteral("delete from EVENTDATA"));
    query.Where(kDTS_ID, aDtsID, true, true);
    if (anEventSource != -1) {
        query.Where(kEVTS_ID, int32_t{anEventSource}, true, true);
    }
    const int removed = query.ExecSQL();
    query.Clear();
    ClearList();
    return removed;
}

const QStringList& TqeldbEventsData::InsertHead() {
    static const QStringList head = [] {
        QStringList lines{QStringLiteral("insert into EVENTDATA (")};
        const auto last = std::size(kColumns) - 1;
        for (size_t i = 0; i < std::size(kColumns); ++i) {
            lines << QStringLiteral("  ") + *kColumns[i] +
                         (i == last ? QStringLiteral(" ") : QStringLiteral(", "));
        }
        lines << QStringLiteral(")") << QStringLiteral("VALUES");
        return lines;
    }();
    return head;
}

bool TqeldbEventsData::IsAccessDB() const {
    return FAccessDBForTests ? *FAccessDBForTests : Database()->IsAccessDB();
}

void TqeldbEventsData::Store() {
    if (IsAccessDB()) {
        StoreRowByRow();
    } else {
        StoreBatches();
    }
}

void TqeldbEventsData::StoreRowByRow() {
    TqelQuery& query = SQL();
    query.setText(QStringLiteral("select * from EVENTDATA where 0=1"));
    qel::CloseAfter(query, [&] {
        query.Open();
        for (const auto& row : VaruzaList()) {
            try {
                query.Insert();
                row->VaruzaToDataSet(query);
                query.Post();
            } catch (...) {
                query.Cancel();
                throw;
            }
        }
    });
}

void TqeldbEventsData::StoreBatches() {
    TVaruzaList& rows = VaruzaList();
    while (!rows.empty()) {
        const std::vector<qel::BoundRow> values = qel::FrontBoundRows(rows, kRowsPerStatement);
        const auto count = values.size();
        // The statement's rows leave the list as it is built, also when it then fails.
        rows.erase(rows.begin(), rows.begin() + static_cast<std::ptrdiff_t>(count));
        qel::ExecBoundRows(SQL(), InsertHead(), values);
        SQL().Clear();
        qel::CrashReporter::ResetFreezeWatchdog();
    }
}
