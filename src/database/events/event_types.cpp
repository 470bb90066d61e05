#include "database/events/event_types.h"

#include <algorithm>
#include <array>

#include "database/events/listed_rows.h"
#include "database/row_helpers.h"
#include "database/schema.h"
#include "foundation/shared_enums.h"
#include "foundation/text_utils.h"
#include "platform/text_compare.h"

namespace {

const qel::SchemaTable kEventTypeTable(
    "EVENTTYPE",
    {"create table EVENTTYPE (EVTT_ID integer not null, EVTS_ID integer not null, EVTT_NAME "
     "varchar(100) collate nocase, EVTT_DESCRIPTION varchar(255) collate nocase, primary key "
     "(EVTT_ID, EVTS_ID))"});

const QString kEVTT_ID = QStringLiteral("EVTT_ID");
const QString kEVTS_ID = QStringLiteral("EVTS_ID");
const QString kEVTT_NAME = QStringLiteral("EVTT_NAME");
const QString kEVTT_DESCRIPTION = QStringLiteral("EVTT_DESCRIPTION");

// Spelled as the client programs show them.
const std::array<const char*, evkOffside + 1> kBuiltInNames = {"Unknown",
                                                               "Pass",
                                                               "Reception",
                                                               "Interception",
                                                               "Running with ball",
                                                               "Throu in",
                                                               "Corner",
                                                               "Penalty",
                                                               "Freekick",
                                                               "Transition Home to away",
                                                               "Transition Away to home",
                                                               "Goal",
                                                               "Out",
                                                               "Organized attack",
                                                               "Ball possession home",
                                                               "Ball possession away",
                                                               "Sprint",
                                                               "Near ball",
                                                               "Acceleration",
                                                               "Deceleration",
                                                               "Shift",
                                                               "Clock running",
                                                               "Clock stopped",
                                                               "Pause",
                                                               "Yellow card",
                                                               "Red card",
                                                               "Foul",
                                                               "Substitude In",
                                                               "Substitude Out",
                                                               "Offside"};

}  // namespace

// ---- TqeldbEventType ------------------------------------------------------------------------

TqeldbEventType::TqeldbEventType(TqelDatabase* AOwner) : TqelDBComponent(AOwner) {}

void TqeldbEventType::setID(int32_t aValue) {
    qel::StoreChanged(FID, aValue, [this] { setModified(true); });
}

void TqeldbEventType::setSourceID(int32_t aValue) {
    qel::StoreChanged(FSourceID, aValue, [this] { setModified(true); });
}

void TqeldbEventType::setTypeName(const QString& aValue) {
    qel::StoreChanged(FTypeName, aValue, [this] { setModified(true); });
}

void TqeldbEventType::setDescription(const QString& aValue) {
    qel::StoreChanged(FDescription, aValue, [this] { setModified(true); });
}

void TqeldbEventType::PrepareSave(TqelQuery& aSQL) {
    PrepareOpen(aSQL);
    aSQL.SetParamAsInteger(kEVTT_ID, FID);
    aSQL.SetParamAsInteger(kEVTS_ID, FSourceID);
}

void TqeldbEventType::PrepareOpen(TqelQuery& aSQL) {
    aSQL.setText(
        QStringLiteral("select * from EVENTTYPE where EVTT_ID = :EVTT_ID and EVTS_ID = :EVTS_ID"));
    aSQL.SetParamAsInteger(kEVTT_ID, 0);
    aSQL.SetParamAsInteger(kEVTS_ID, 0);
}

void TqeldbEventType::PrepareParams(TqelQuery& aSQL) {
    aSQL.SetParamAsInteger(kEVTT_ID, FID);
}

void TqeldbEventType::DataSetToVaruza(TqelQuery& aSQL) {
    setID(aSQL.GetFieldAsInteger(kEVTT_ID));
    setTypeName(aSQL.GetFieldAsString(kEVTT_NAME));
    setDescription(aSQL.GetFieldAsString(kEVTT_DESCRIPTION));
    setSourceID(aSQL.GetFieldAsInteger(kEVTS_ID));
}

void TqeldbEventType::VaruzaToDataSet(TqelQuery& aSQL) {
    aSQL.SetFieldAsIntegerReq(kEVTS_ID, FSourceID);
    aSQL.SetFieldAsIntegerReq(kEVTT_ID, FID);
    aSQL.SetFieldAsString(kEVTT_NAME, FTypeName);
    aSQL.SetFieldAsString(kEVTT_DESCRIPTION, FDescription);
}

// ---- TqeldbEventTypes -----------------------------------------------------------------------

QString TqeldbEventTypes::BuiltInName(int32_t anEventType) {
    const auto kind = static_cast<uint8_t>(anEventType & 0xFF);
    return kind < kBuiltInNames.size() ? QString::fromLatin1(kBuiltInNames[kind]) : QString();
}

void TqeldbEventTypes::GetListOfEventTypes(int8_t anEventSource) {
    FHighestID = 0;
    FEventSource = anEventSource;
    TqelQuery& query = SQL();
    query.setText(QStringLiteral("select * from EVENTTYPE"));
    if (anEventSource != -1) {
        query.Where(kEVTS_ID, int32_t{anEventSource}, true, true);
    }
    OpenList();
    if (anEventSource != -1) {
        for (const auto& type : VaruzaList()) {
            FHighestID = std::max(FHighestID, type->ID());
        }
    }
}

QString TqeldbEventTypes::TypeByID(int32_t anEventType, int8_t anEventSource) {
    const auto found =
        std::find_if(VaruzaList().begin(), VaruzaList().end(), [&](const auto& aType) {
            return aType->ID() == anEventType && aType->SourceID() == anEventSource;
        });
    TqeldbEventType* type = found != VaruzaList().end() ? found->get() : nullptr;
    if (!type) {
        type = AddVaruza();
        type->setID(anEventType);
        type->setSourceID(anEventSource);
        if (anEventSource == kAlgorithmsSource) {
            type->setTypeName(QString::number(anEventType));
            type->setDescription(QStringLiteral("Unknown Event Type"));
        } else {
            type->setTypeName(BuiltInName(anEventType));
            type->setDescription(type->TypeName());
        }
        qel::InsertListed(*this, type);
    }
    return qel::Trim(type->TypeName());
}

int32_t TqeldbEventTypes::GetEventTypeID(const QString& anEventName) {
    if (FEventSource == -1) {
        return 0;
    }
    for (const auto& type : VaruzaList()) {
        if (qel::SameText(type->TypeName(), anEventName)) {
            return type->ID();
        }
    }
    TqeldbEventType* type = AddVaruza();
    type->setID(++FHighestID);
    type->setTypeName(anEventName);
    type->setSourceID(FEventSource);
    try {
        Save(type);
    } catch (...) {
        qel::DropListed(*this, type);
        throw;
    }
    return type->ID();
}
