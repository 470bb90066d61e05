#include "database/datasets/training_types.h"

#include "database/row_helpers.h"
#include "database/schema.h"
#include "platform/exception.h"

namespace {

const qel::SchemaTable kTrainingTypesTable(
    "TRAINING_TYPES",
    {"create table TRAINING_TYPES (TT_ID integer not null primary key, TT_DESCRIPTION "
     "varchar(100) collate nocase, TT_ACTIVE integer, EXN_ID integer)"});

const QString kTT_ID = QStringLiteral("TT_ID");
const QString kEXN_ID = QStringLiteral("EXN_ID");

}  // namespace

TqeldbTrainingTypes::TqeldbTrainingTypes(TqelDatabase* aDatabase) : FDatabase(aDatabase) {
    qel::Assert(aDatabase != nullptr, QStringLiteral("An accessor needs a database."));
    FSQL = std::make_unique<TqelQuery>(aDatabase->Connection());
}

TqeldbTrainingTypes::~TqeldbTrainingTypes() = default;

TqeldbTrainingType* TqeldbTrainingTypes::AddTrainingType() {
    FTrainingTypes.push_back(std::make_unique<TqeldbTrainingType>());
    return FTrainingTypes.back().get();
}

TqeldbTrainingType* TqeldbTrainingTypes::GetTrainingType(int aIndex) const {
    return qel::RowAt(FTrainingTypes, aIndex);
}

void TqeldbTrainingTypes::Open(bool aOnlyActive, int32_t aExnID) {
    TqelQuery& query = *FSQL;
    QString text = QStringLiteral("select * from TRAINING_TYPES");
    if (aOnlyActive) {
        text += QStringLiteral(" where TT_ACTIVE<>0");
    }
    if (aExnID != 0) {
        text += aOnlyActive ? QStringLiteral(" and EXN_ID = :EXN_ID")
                            : QStringLiteral(" where EXN_ID = :EXN_ID");
    }
    query.setText(text);
    query.SetParamAsInteger(kEXN_ID, aExnID);
    qel::CloseAfter(query, [&] {
        query.Open();
        FTrainingTypes.clear();
        for (; !query.Eof(); query.Next()) {
            TqeldbTrainingType* type = AddTrainingType();
            type->setID(query.GetFieldAsInteger(kTT_ID));
            type->setDescription(query.GetFieldAsString(QStringLiteral("TT_DESCRIPTION")));
            // Only 1 is active: other values are left from older programs.
            type->setActive(query.GetFieldAsInteger(QStringLiteral("TT_ACTIVE")) == 1);
            type->setExnId(query.GetFieldAsInteger(kEXN_ID));
            type->setModified(false);
        }
    });
}

void TqeldbTrainingTypes::Save(TqeldbTrainingType* aTrainingType) {
    if (!aTrainingType || !aTrainingType->Modified()) {
        return;
    }
    TqelQuery& query = *FSQL;
    query.setText(QStringLiteral("select * from TRAINING_TYPES where TT_ID = :TT_ID"));
    query.SetParamAsInteger(kTT_ID, aTrainingType->ID());
    qel::CloseAfter(query, [&] {
        query.Open();
        const bool inserting = query.IsEmpty();
        if (inserting) {
            query.Insert();
        } else {
            query.Edit();
        }
        try {
            if (inserting) {
                FDatabase->GetPrimaryKey(query.FieldByName(kTT_ID),
                                         QStringLiteral("TRAINING_TYPES"));
            }
            query.SetFieldAsString(QStringLiteral("TT_DESCRIPTION"), aTrainingType->Description());
            query.SetFieldAsIntegerReq(QStringLiteral("TT_ACTIVE"),
                                       aTrainingType->Active() ? 1 : 0);
            query.SetFieldAsInteger(kEXN_ID, aTrainingType->ExnId());
            query.Post();
        } catch (...) {
            query.Cancel();
            throw;
        }
        // A type that keeps an id without a row would insert again on every save.
        if (inserting) {
            aTrainingType->setID(query.GetFieldAsInteger(kTT_ID));
        }
        aTrainingType->setModified(false);
    });
}

void TqeldbTrainingTypes::SaveAll() {
    for (const auto& type : FTrainingTypes) {
        if (type->Modified()) {
            Save(type.get());
        }
    }
}

void TqeldbTrainingTypes::Delete(TqeldbTrainingType* aTraingType) {
    if (!aTraingType) {
        return;
    }
    FSQL->setText(QStringLiteral("delete from TRAINING_TYPES where TT_ID = :TT_ID"));
    FSQL->SetParamAsInteger(kTT_ID, aTraingType->ID());
    FSQL->ExecSQL();
    std::erase_if(FTrainingTypes,
                  [aTraingType](const auto& aType) { return aType.get() == aTraingType; });
}

TqeldbTrainingType* TqeldbTrainingTypes::TrainingTypeByID(int32_t aID) const {
    for (const auto& type : FTrainingTypes) {
        if (type->ID() == aID) {
            return type.get();
        }
    }
    return nullptr;
}
