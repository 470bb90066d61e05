#include "database/agility/agility_definitions.h"

#include <QStringList>
#include <algorithm>

#include "database/agility/agility_sql.h"
#include "database/query.h"
#include "database/row_helpers.h"
#include "platform/exception.h"
#include "platform/text_compare.h"

namespace {

const QString kAGL_ID = QStringLiteral("AGL_ID");
const QString kAGL_DESCRIPTION = QStringLiteral("AGL_DESCRIPTION");

// Bytes of the smallest definition record of a stream version: an empty description, the
// fixed fields and a line count of 0.
qint64 MinDefinitionRecordSize(uint8_t aVersion) {
    return 4 + 3 * 4 + 1 + 4 + 1 + (aVersion >= 2 ? 4 + 1 : 0) + 4;
}

}  // namespace

TqeldbAgilityDefinitions::TqeldbAgilityDefinitions(TqelDatabaseConnection* aDatabaseConnection)
    : FSQL(qel::AgilityQuery(aDatabaseConnection)), FDatabaseConnection(aDatabaseConnection) {}

TqeldbAgilityDefinitions::~TqeldbAgilityDefinitions() = default;

void TqeldbAgilityDefinitions::setDatabaseConnection(TqelDatabaseConnection* aValue) {
    FDatabaseConnection = aValue;
    if (!FSQL) {
        FSQL = qel::AgilityQuery(aValue);
    }
}

TqeldbAgilityDef* TqeldbAgilityDefinitions::GetDefinition(int aIndex) const {
    if (aIndex < 0 || aIndex >= Count()) {
        return nullptr;
    }
    return FDefinitions[static_cast<size_t>(aIndex)].get();
}

TqeldbAgilityDef* TqeldbAgilityDefinitions::AddDefinition() {
    FDefinitions.push_back(std::make_unique<TqeldbAgilityDef>(FDatabaseConnection));
    return FDefinitions.back().get();
}

void TqeldbAgilityDefinitions::AppendSelected(bool aRetreiveLines) {
    TqelQuery& query = *FSQL;
    TDefinitionList selected;
    qel::CloseAfter(query, [&] {
        query.Open();
        for (; !query.Eof(); query.Next()) {
            selected.push_back(std::make_unique<TqeldbAgilityDef>(FDatabaseConnection));
            selected.back()->DataSetToVaruza(&query);
        }
    });
    for (auto& definition : selected) {
        if (aRetreiveLines) {
            definition->RetreiveLines();
        }
        FDefinitions.push_back(std::move(definition));
    }
}

void TqeldbAgilityDefinitions::Retreive(bool aRetreiveLines, bool aActiveOnly,
                                        const QString& aDescription) {
    if (!FSQL) {
        return;
    }
    TqelQuery& query = *FSQL;
    query.setText(QStringLiteral("select * from AGILITY_TEST "));
    if (aActiveOnly) {
        query.Where(QStringLiteral("AGL_ACTIVE"), true, true);
    }
    query.Where(kAGL_DESCRIPTION, aDescription, true, false);
    query.OrderBy(kAGL_DESCRIPTION, true);
    TDefinitionList kept;
    kept.swap(FDefinitions);
    try {
        AppendSelected(aRetreiveLines);
    } catch (...) {
        FDefinitions.swap(kept);
        throw;
    }
}

void TqeldbAgilityDefinitions::RetreiveByExrName(const QString& aExerciseName) {
    if (!FSQL) {
        return;
    }
    TqelQuery& query = *FSQL;
    query.setText(QStringLiteral(
        "select * from AGILITY_TEST where AGL_ID in ( select AGL_ID from EXERCISE_NAMES where "
        "EXN_NAME = :EXN_NAME ) and AGL_ACTIVE <> 0"));
    query.SetParamAsString(QStringLiteral("EXN_NAME"), aExerciseName);
    TDefinitionList kept;
    kept.swap(FDefinitions);
    try {
        AppendSelected(false);
    } catch (...) {
        FDefinitions.swap(kept);
        throw;
    }
}

TqeldbAgilityDef* TqeldbAgilityDefinitions::Open(int32_t aAglId) {
    if (!FSQL) {
        return nullptr;
    }
    if (TqeldbAgilityDef* listed = GetDefinitionByID(aAglId)) {
        if (listed->Lines().empty()) {
            listed->RetreiveLines();
        }
        return listed;
    }
    TqelQuery& query = *FSQL;
    query.setText(QStringLiteral("select * from AGILITY_TEST where AGL_ID = :AGL_ID"));
    query.SetParamAsInteger(kAGL_ID, aAglId);
    const int before = Count();
    AppendSelected(true);
    // The key selects one row at most.
    return Count() > before ? FDefinitions[static_cast<size_t>(before)].get() : nullptr;
}

void TqeldbAgilityDefinitions::ReloadFromDatabase(const TqeldbAgilityDefinitions& Source) {
    // Source may be this very list: take the descriptions before emptying it.
    QStringList descriptions;
    for (const auto& definition : Source.FDefinitions) {
        descriptions << definition->Description();
    }
    if (!FSQL) {
        return;
    }
    FDefinitions.clear();
    TqelQuery& query = *FSQL;
    for (const QString& description : descriptions) {
        query.setText(
            QStringLiteral("select * from AGILITY_TEST where AGL_DESCRIPTION = :AGL_DESCRIPTION"));
        query.SetParamAsString(kAGL_DESCRIPTION, description);
        AppendSelected(true);
    }
}

void TqeldbAgilityDefinitions::SyncWithDatabase(TqeldbAgilityDefinitions& Source) {
    if (Source.FDefinitions.empty() || !FSQL || &Source == this) {
        return;
    }
    Retreive(true, false, QString());
    for (const auto& source : Source.FDefinitions) {
        if (TqeldbAgilityDef* stored = GetDefinitionByDescription(source->Description())) {
            source->Assign(*stored);
            continue;
        }
        TqeldbAgilityDef* added = AddDefinition();
        added->Assign(*source);
        // The id came from another database or file: saved under it, the course could
        // overwrite a stored course of another description.
        added->setAgilityID(0);
        added->Save();
        source->Assign(*added);
    }
}

void TqeldbAgilityDefinitions::Assign(const TqeldbAgilityDefinitions& Source) {
    if (&Source == this) {
        return;
    }
    FDefinitions.clear();
    for (const auto& definition : Source.FDefinitions) {
        AddDefinition()->Assign(*definition);
    }
}

TqeldbAgilityDef* TqeldbAgilityDefinitions::GetDefinitionByID(int32_t aAgilityID) const {
    for (const auto& definition : FDefinitions) {
        if (definition->AgilityID() == aAgilityID) {
            return definition.get();
        }
    }
    return nullptr;
}

TqeldbAgilityDef* TqeldbAgilityDefinitions::GetDefinitionByDescription(
    const QString& aDescription) const {
    for (const auto& definition : FDefinitions) {
        if (qel::SameText(definition->Description(), aDescription)) {
            return definition.get();
        }
    }
    return nullptr;
}

int32_t TqeldbAgilityDefinitions::GetDefinitionIDByDescription(const QString& aDescription) const {
    const TqeldbAgilityDef* definition = GetDefinitionByDescription(aDescription);
    return definition ? definition->AgilityID() : 0;
}

bool TqeldbAgilityDefinitions::RemoveDefinition(const TqeldbAgilityDef* aAglity) {
    const auto found =
        std::find_if(FDefinitions.begin(), FDefinitions.end(),
                     [aAglity](const auto& aDefinition) { return aDefinition.get() == aAglity; });
    if (found == FDefinitions.end()) {
        return false;
    }
    FDefinitions.erase(found);
    return true;
}

bool TqeldbAgilityDefinitions::RemoveDefinitionByID(int32_t aAgilityID) {
    TqeldbAgilityDef* definition = GetDefinitionByID(aAgilityID);
    return definition && RemoveDefinition(definition);
}

void TqeldbAgilityDefinitions::DeleteDefinitionByID(int32_t aAgilityID) {
    if (!FSQL) {
        return;
    }
    TqelQuery& query = *FSQL;
    query.setText(
        QStringLiteral("select count(*) as 'TESTS' from TP_AGILITY where AGL_ID = :AGL_ID"));
    query.SetParamAsInteger(kAGL_ID, aAgilityID);
    int32_t runs = 0;
    qel::CloseAfter(query, [&] {
        query.Open();
        runs = query.GetFieldAsInteger(QStringLiteral("TESTS"));
    });
    if (runs > 0) {
        throw Exception(
            QStringLiteral("Can't remove the agility definition. It is already used in some "
                           "analyzes. You have to uncheck the \"Active\" checkbox"));
    }
    // A course without its lines, or lines without their course, is no use.
    qel::RunAgilityTransaction(query, [&] {
        for (const char* table : {"AGILITY_LINES", "PREPARE_AGILITY", "AGILITY_TEST"}) {
            query.setText(QStringLiteral("delete from %1 where AGL_ID = :AGL_ID")
                              .arg(QString::fromLatin1(table)));
            query.SetParamAsInteger(kAGL_ID, aAgilityID);
            query.ExecSQL();
        }
    });
    RemoveDefinitionByID(aAgilityID);
}

int TqeldbAgilityDefinitions::MaxNumberOfLines() {
    size_t most = 0;
    for (const auto& definition : FDefinitions) {
        if (definition->Lines().empty()) {
            definition->RetreiveLines();
        }
        most = std::max(most, definition->Lines().size());
    }
    return static_cast<int>(most);
}

void TqeldbAgilityDefinitions::NewExercisePart(int32_t aDtsId, int32_t aExrId, int32_t aPrtId,
                                               int32_t aGrpId, bool aRemoveExisting,
                                               bool aGetBestTimes) {
    for (const auto& definition : FDefinitions) {
        definition->NewExercisePart(aDtsId, aExrId, aPrtId, aGrpId, aRemoveExisting, aGetBestTimes);
    }
}

void TqeldbAgilityDefinitions::WriteToStream(qel::BinaryWriter& aStream) const {
    aStream.writeU8(TqeldbAgilityDef::kStreamVersion);
    aStream.writeI32(Count());
    for (const auto& definition : FDefinitions) {
        definition->WriteToStream(aStream);
    }
}

void TqeldbAgilityDefinitions::ReadFromStream(qel::BinaryReader& aStream) {
    const uint8_t version = aStream.readU8();
    if (version == 0) {
        return;
    }
    if (version > TqeldbAgilityDef::kStreamVersion) {
        throw EReadError(
            QStringLiteral("Agility definitions of version %1 cannot be read").arg(version));
    }
    const int32_t count = aStream.readI32();
    aStream.checkCount(count, MinDefinitionRecordSize(version));
    TDefinitionList read;
    for (int32_t i = 0; i < count; ++i) {
        read.push_back(std::make_unique<TqeldbAgilityDef>(FDatabaseConnection));
        read.back()->ReadFromStream(aStream, version);
    }
    FDefinitions.swap(read);
}
