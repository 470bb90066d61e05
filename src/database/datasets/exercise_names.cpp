#include "database/datasets/exercise_names.h"

#include "database/database.h"
#include "database/row_helpers.h"
#include "database/schema.h"
#include "platform/exception.h"
#include "platform/text_compare.h"

namespace {

const qel::SchemaTable kExerciseNamesTable(
    "EXERCISE_NAMES",
    {"create table EXERCISE_NAMES (EXN_ID integer not null primary key, EXN_NAME varchar(100) "
     "collate nocase, AGL_ID integer, EXN_ACTIVE integer)"});
// The agility test definitions; read here, written by the agility units.
const qel::SchemaTable kAgilityTestTable(
    "AGILITY_TEST",
    {"create table AGILITY_TEST (AGL_ID integer not null primary key, AGL_DESCRIPTION "
     "varchar(100) collate nocase, AGL_USED_FIELD varchar(100) collate nocase, "
     "AGL_FIRST_LINE_START_X_MM integer, AGL_FIRST_LINE_START_Y_MM integer, "
     "AGL_MAX_DURATION_MS integer, AGL_MIN_DURATION_MS integer, AGL_CAN_CROSS_START bit, "
     "AGL_CAN_RUN_MULTIPLE bit, AGL_DECEL_AFTER_FINISH bit, AGL_ACTIVE integer)"});

const QString kEXN_ID = QStringLiteral("EXN_ID");
const QString kEXN_NAME = QStringLiteral("EXN_NAME");
const QString kAGL_ID = QStringLiteral("AGL_ID");
const QString kEXN_ACTIVE = QStringLiteral("EXN_ACTIVE");
const QString kSelectByKey = QStringLiteral("select * from EXERCISE_NAMES where EXN_ID = :EXN_ID");

}  // namespace

// ---- TqeldbExerciseName ---------------------------------------------------------------------

TqeldbExerciseName::TqeldbExerciseName(TqelDatabaseConnection* aDatabaseconnection)
    : FSQL(std::make_unique<TqelQuery>(aDatabaseconnection)) {}

TqeldbExerciseName::~TqeldbExerciseName() = default;

void TqeldbExerciseName::DataSetToVaruza(const TqelQuery& aSQL) {
    FID = aSQL.FieldByName(kEXN_ID)->AsInteger();
    FDescription = aSQL.FieldByName(kEXN_NAME)->AsString();
    FAglID = aSQL.FieldByName(kAGL_ID)->AsInteger();
    FActive = aSQL.FieldByName(kEXN_ACTIVE)->AsInteger() != 0;
    setModified(false);
}

void TqeldbExerciseName::Retreive(int32_t aExnID) {
    TqelQuery& query = *FSQL;
    query.setText(kSelectByKey);
    query.SetParamAsInteger(kEXN_ID, aExnID);
    qel::CloseAfter(query, [&] {
        query.Open();
        if (!query.Eof()) {
            DataSetToVaruza(query);
        }
    });
}

void TqeldbExerciseName::Save() {
    if (FID == 0 && FDescription.isEmpty() && FAglID == 0) {
        return;
    }
    TqelQuery& query = *FSQL;
    query.setText(kSelectByKey);
    query.SetParamAsInteger(kEXN_ID, FID);
    qel::CloseAfter(query, [&] {
        query.Open();
        if (query.IsEmpty()) {
            query.Insert();
        } else {
            query.Edit();
        }
        try {
            if (query.State() == qel::DataSetState::Insert) {
                TqelDatabase* database = query.Database();
                qel::Assert(database != nullptr,
                            QStringLiteral("Exercise-name keys are drawn through a TqelDatabase."));
                FID = database->GetPrimaryKey(query.FieldByName(kEXN_ID),
                                              QStringLiteral("EXERCISE_NAMES"));
            }
            query.SetFieldAsString(kEXN_NAME, FDescription);
            query.SetFieldAsInteger(kAGL_ID, FAglID);
            query.SetFieldAsIntegerReq(kEXN_ACTIVE, FActive ? 1 : 0);
            setModified(false);
            query.Post();
        } catch (...) {
            query.Cancel();
            throw;
        }
    });
}

bool TqeldbExerciseName::Delete() {
    if (FID == 0) {
        return true;
    }
    FSQL->setText(QStringLiteral("delete from EXERCISE_NAMES where EXN_ID = :EXN_ID"));
    FSQL->SetParamAsInteger(kEXN_ID, FID);
    return FSQL->ExecSQL() > 0;
}

// ---- TqeldbExerciseNames --------------------------------------------------------------------

TqeldbExerciseNames::TqeldbExerciseNames(TqelDatabaseConnection* aDatabaseconnection)
    : FDatabaseConnection(aDatabaseconnection),
      FSQL(std::make_unique<TqelQuery>(aDatabaseconnection)) {}

TqeldbExerciseNames::~TqeldbExerciseNames() = default;

TqeldbExerciseName* TqeldbExerciseNames::AddExerciseName() {
    FExerciseNames.push_back(std::make_unique<TqeldbExerciseName>(FDatabaseConnection));
    TqeldbExerciseName* name = FExerciseNames.back().get();
    name->setActive(true);
    name->setAglID(0);
    return name;
}

void TqeldbExerciseNames::Retreive(bool aActiveOnly, bool aOrderByDescription) {
    TqelQuery& query = *FSQL;
    FExerciseNames.clear();
    query.setText(QStringLiteral("select * from EXERCISE_NAMES"));
    if (aActiveOnly) {
        query.AddLine(QStringLiteral(" where EXN_ACTIVE = 1"));
    }
    if (aOrderByDescription) {
        query.OrderBy(kEXN_NAME, true);
    }
    qel::CloseAfter(query, [&] {
        query.Open();
        for (; !query.Eof(); query.Next()) {
            FExerciseNames.push_back(std::make_unique<TqeldbExerciseName>(FDatabaseConnection));
            FExerciseNames.back()->DataSetToVaruza(query);
        }
    });
}

int TqeldbExerciseNames::IndexOfExerciseName(const QString& aExerciseName) const {
    for (size_t i = 0; i < FExerciseNames.size(); ++i) {
        if (qel::SameText(FExerciseNames[i]->Description(), aExerciseName)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

TqeldbExerciseName* TqeldbExerciseNames::ExerciseNameByID(int32_t aID) const {
    for (const auto& name : FExerciseNames) {
        if (name->ID() == aID) {
            return name.get();
        }
    }
    return nullptr;
}

void TqeldbExerciseNames::DeleteExerciseNameByID(int32_t aID) {
    for (auto it = FExerciseNames.begin(); it != FExerciseNames.end();) {
        if ((*it)->ID() == aID) {
            (*it)->Delete();
            it = FExerciseNames.erase(it);
        } else {
            ++it;
        }
    }
}

void TqeldbExerciseNames::SaveChanges() {
    for (const auto& name : FExerciseNames) {
        if (name->Modified()) {
            name->Save();
        }
    }
}

void TqeldbExerciseNames::MergeExercises(QStringList& aConfigExercises) {
    for (const QString& configured : QStringList(aConfigExercises)) {
        if (IndexOfExerciseName(configured) < 0) {
            TqeldbExerciseName* name = AddExerciseName();
            name->setDescription(configured);
            name->Save();
        }
    }
    for (const auto& name : FExerciseNames) {
        if (!aConfigExercises.contains(name->Description(), Qt::CaseInsensitive)) {
            aConfigExercises << name->Description();
        }
    }
}

QString TqeldbExerciseNames::GetAgilityTest(const QString& aExerciseName) {
    TqelQuery& query = *FSQL;
    query.setText(QStringLiteral(
        "select AGL_DESCRIPTION from AGILITY_TEST where AGL_ID in ( select AGL_ID from "
        "EXERCISE_NAMES where EXN_NAME = :EXN_NAME ) and AGL_ACTIVE <> 0"));
    query.SetParamAsString(kEXN_NAME, aExerciseName);
    QString result;
    qel::CloseAfter(query, [&] {
        query.Open();
        if (!query.Eof()) {
            result = query.GetFieldAsString(QStringLiteral("AGL_DESCRIPTION"));
        }
    });
    return result;
}
