#include "database/schema.h"

#include <QSet>
#include <QSqlQuery>

#include "database/database_connection.h"
#include "platform/exception.h"

namespace qel {

namespace {

const QString kVersionTable = QStringLiteral("SCHEMA_VERSION");

// Key sequences, one row per sequence: SQ_VALUE is the last key handed out.
const SchemaTable kSequences("SEQUENCES",
                             {"create table SEQUENCES (SQ_TABLE varchar(50) collate nocase not "
                              "null primary key, SQ_VALUE integer)"});

struct FileState {
    QSet<QString> Tables;  // lower case
    bool HasVersion = false;
    int Version = 0;
};

FileState ReadFileState(TqelDatabaseConnection& aConnection) {
    FileState state;
    QSqlQuery tables = aConnection.Execute(
        QStringLiteral("select name from sqlite_master where type = 'table'"), {});
    while (tables.next()) {
        state.Tables.insert(tables.value(0).toString().toLower());
    }
    tables.finish();
    state.HasVersion = state.Tables.contains(kVersionTable.toLower());
    if (state.HasVersion) {
        QSqlQuery version =
            aConnection.Execute(QStringLiteral("select max(SV_VERSION) from SCHEMA_VERSION"), {});
        if (version.next()) {
            state.Version = version.value(0).toInt();
        }
        version.finish();
    }
    return state;
}

QStringList ToStrings(std::initializer_list<const char*> aTexts) {
    QStringList result;
    for (const char* text : aTexts) {
        result << QString::fromUtf8(text);
    }
    return result;
}

}  // namespace

void SchemaRegistry::AddTable(const QString& aTableName, const QStringList& aStatements) {
    const std::lock_guard lock(FLock);
    for (const Table& table : FTables) {
        Assert(table.Name.compare(aTableName, Qt::CaseInsensitive) != 0,
               QStringLiteral("Table %1 is registered twice.").arg(aTableName));
    }
    FTables.push_back({aTableName, aStatements});
}

void SchemaRegistry::AddMigration(int aVersion, const QStringList& aStatements) {
    const std::lock_guard lock(FLock);
    Assert(aVersion > 1, QStringLiteral("Migrations start with version 2."));
    FMigrations[aVersion] += aStatements;
}

int SchemaRegistry::CurrentVersion() const {
    const std::lock_guard lock(FLock);
    return FMigrations.empty() ? 1 : std::max(1, FMigrations.rbegin()->first);
}

QStringList SchemaRegistry::TableNames() const {
    const std::lock_guard lock(FLock);
    QStringList names;
    for (const Table& table : FTables) {
        names << table.Name;
    }
    return names;
}

bool SchemaRegistry::Apply(TqelDatabaseConnection& aConnection) const {
    const int current = CurrentVersion();
    std::vector<Table> tables;
    std::map<int, QStringList> migrations;
    {
        const std::lock_guard lock(FLock);
        tables = FTables;
        migrations = FMigrations;
    }
    if (!aConnection.Active()) {
        aConnection.Connect();
    }
    if (aConnection.Dialect() != SqlDialect::SQLite) {
        return false;
    }
    const auto upToDate = [&](const FileState& aState) {
        if (!aState.HasVersion || aState.Version < current) {
            return false;
        }
        for (const Table& table : tables) {
            if (!aState.Tables.contains(table.Name.toLower())) {
                return false;
            }
        }
        return true;
    };
    // Looking first keeps read-only files usable and takes no write lock on every connect.
    if (upToDate(ReadFileState(aConnection))) {
        return false;
    }
    // Another program may be doing the same: look again once the file is ours.
    aConnection.Execute(QStringLiteral("begin immediate"), {});
    try {
        const FileState state = ReadFileState(aConnection);
        if (!state.HasVersion) {
            aConnection.Execute(
                QStringLiteral("create table SCHEMA_VERSION (SV_VERSION integer not null)"), {});
        }
        if (state.Version > 0) {
            for (const auto& [version, statements] : migrations) {
                if (version > state.Version) {
                    for (const QString& statement : statements) {
                        aConnection.Execute(statement, {});
                    }
                }
            }
        }
        for (const Table& table : tables) {
            if (!state.Tables.contains(table.Name.toLower())) {
                for (const QString& statement : table.Statements) {
                    aConnection.Execute(statement, {});
                }
            }
        }
        if (state.Version < current) {
            aConnection.Execute(QStringLiteral("delete from SCHEMA_VERSION"), {});
            aConnection.Execute(
                QStringLiteral("insert into SCHEMA_VERSION (SV_VERSION) values (:SV_VERSION)"),
                {{QStringLiteral("SV_VERSION"), current}});
        }
        aConnection.Execute(QStringLiteral("commit"), {});
    } catch (...) {
        try {
            aConnection.Execute(QStringLiteral("rollback"), {});
        } catch (...) {
            // The first failure is the one to report.
        }
        throw;
    }
    return true;
}

SchemaRegistry& SchemaRegistry::Global() {
    static SchemaRegistry registry;
    return registry;
}

SchemaTable::SchemaTable(const char* aTableName, std::initializer_list<const char*> aStatements) {
    SchemaRegistry::Global().AddTable(QString::fromUtf8(aTableName), ToStrings(aStatements));
}

SchemaMigration::SchemaMigration(int aVersion, std::initializer_list<const char*> aStatements) {
    SchemaRegistry::Global().AddMigration(aVersion, ToStrings(aStatements));
}

}  // namespace qel
