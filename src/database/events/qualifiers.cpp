#include "database/events/qualifiers.h"

#include <algorithm>

#include "database/events/listed_rows.h"
#include "database/row_helpers.h"
#include "database/schema.h"

namespace {

// A kind is known per source: the id alone repeats, so there is no unique key.
const qel::SchemaTable kQualifiersTable(
    "QUALIFIERS",
    {"create table QUALIFIERS (QLF_ID integer, EVTS_ID integer, QLF_NAME varchar(100) collate "
     "nocase, QLF_DESCRIPTION varchar(255) collate nocase, QLF_VALUES varchar(1000) collate "
     "nocase)",
     "create index QUALIFIERS_ID on QUALIFIERS (QLF_ID, EVTS_ID)"});

const QString kQLF_ID = QStringLiteral("QLF_ID");
const QString kEVTS_ID = QStringLiteral("EVTS_ID");
const QString kQLF_NAME = QStringLiteral("QLF_NAME");
const QString kQLF_DESCRIPTION = QStringLiteral("QLF_DESCRIPTION");
const QString kQLF_VALUES = QStringLiteral("QLF_VALUES");

}  // namespace

// ---- TqeldbQualifier ------------------------------------------------------------------------

TqeldbQualifier::TqeldbQualifier(TqelDatabase* AOwner) : TqelDBComponent(AOwner) {}

void TqeldbQualifier::setID(int32_t aValue) {
    qel::StoreChanged(FID, aValue, [this] { setModified(true); });
}

void TqeldbQualifier::setSourceID(int32_t aValue) {
    qel::StoreChanged(FSourceID, aValue, [this] { setModified(true); });
}

void TqeldbQualifier::setQualifierName(const QString& aValue) {
    qel::StoreChanged(FQualifierName, aValue, [this] { setModified(true); });
}

void TqeldbQualifier::setValues(const QString& aValue) {
    qel::StoreChanged(FValues, aValue, [this] { setModified(true); });
}

void TqeldbQualifier::setDescription(const QString& aValue) {
    qel::StoreChanged(FDescription, aValue, [this] { setModified(true); });
}

void TqeldbQualifier::PrepareSave(TqelQuery& aSQL) {
    PrepareOpen(aSQL);
    aSQL.SetParamAsInteger(kQLF_ID, FID);
}

void TqeldbQualifier::PrepareOpen(TqelQuery& aSQL) {
    aSQL.setText(QStringLiteral("select * from QUALIFIERS where QLF_ID = :QLF_ID"));
    aSQL.SetParamAsInteger(kQLF_ID, 0);
}

void TqeldbQualifier::PrepareParams(TqelQuery& aSQL) {
    aSQL.SetParamAsInteger(kQLF_ID, FID);
}

void TqeldbQualifier::DataSetToVaruza(TqelQuery& aSQL) {
    setID(aSQL.GetFieldAsInteger(kQLF_ID));
    setSourceID(aSQL.GetFieldAsInteger(kEVTS_ID));
    setQualifierName(aSQL.GetFieldAsString(kQLF_NAME));
    setDescription(aSQL.GetFieldAsString(kQLF_DESCRIPTION));
    setValues(aSQL.GetFieldAsString(kQLF_VALUES));
}

void TqeldbQualifier::VaruzaToDataSet(TqelQuery& aSQL) {
    aSQL.SetFieldAsInteger(kQLF_ID, FID);
    aSQL.SetFieldAsIntegerReq(kEVTS_ID, FSourceID);
    aSQL.SetFieldAsString(kQLF_NAME, FQualifierName);
    aSQL.SetFieldAsString(kQLF_DESCRIPTION, FDescription);
    aSQL.SetFieldAsString(kQLF_VALUES, FValues);
}

// ---- TqeldbQualifiers -----------------------------------------------------------------------

void TqeldbQualifiers::GetListOfQualifiers(int8_t anEventSource) {
    FHighestID = 0;
    FEventSource = anEventSource;
    TqelQuery& query = SQL();
    query.setText(QStringLiteral("select * from QUALIFIERS"));
    if (anEventSource != -1 && anEventSource != 0) {
        query.Where(kEVTS_ID, int32_t{anEventSource}, true, true);
    }
    OpenList();
    if (anEventSource != -1) {
        for (const auto& qualifier : VaruzaList()) {
            FHighestID = std::max(FHighestID, qualifier->ID());
        }
    }
}

QString TqeldbQualifiers::QualifierByID(int32_t aQlfID, int32_t aSourceID) {
    for (const auto& qualifier : VaruzaList()) {
        if (qualifier->ID() == aQlfID && qualifier->SourceID() == aSourceID) {
            return qualifier->QualifierName();
        }
    }
    TqeldbQualifier* qualifier = AddVaruza();
    qualifier->setID(aQlfID);
    qualifier->setSourceID(aSourceID);
    qualifier->setQualifierName(QString::number(aQlfID));
    qualifier->setDescription(QStringLiteral("Unknown Qualifier"));
    qel::InsertListed(*this, qualifier);
    return qualifier->QualifierName();
}

int32_t TqeldbQualifiers::QualifierByName(const QString& aQlfName) {
    for (const auto& qualifier : VaruzaList()) {
        if (qualifier->QualifierName() == aQlfName) {
            return qualifier->ID();
        }
    }
    TqeldbQualifier* qualifier = AddVaruza();
    qualifier->setID(++FHighestID);
    qualifier->setSourceID(FEventSource);
    qualifier->setQualifierName(aQlfName);
    qualifier->setDescription(aQlfName);
    qel::InsertListed(*this, qualifier);
    return qualifier->ID();
}
