#pragma once

#include <QString>
#include <QStringList>
#include <initializer_list>
#include <map>
#include <mutex>
#include <vector>

class TqelDatabaseConnection;

namespace qel {

// The tables of the embedded SQLite database, which the program creates itself (a SQL Server
// database is set up by its administrator). Each unit that owns a table registers its
// statements here; every connection made through TqelDatabase then creates what a file lacks.
//
// SCHEMA_VERSION holds the version of the file's layout. A new file gets every table in its
// latest form and the current version. A file of an older version first runs the migrations
// of each later version in order (changes to tables it already has), then gets the tables it
// lacks. Missing tables are created whatever the version says, so a file made by a program
// that knew fewer tables is completed by one that knows more.
//
// Statements are written for SQLite, text columns "collate nocase" so that they compare
// without case as on SQL Server. Registration is safe from any thread; Apply runs on the
// thread of the connection.
class SchemaRegistry {
public:
    // aStatements: the table's "create table" followed by its indexes.
    void AddTable(const QString& aTableName, const QStringList& aStatements);
    // Changes that bring a file of version aVersion - 1 to aVersion. A table that is new in a
    // version needs no migration, only its registration.
    void AddMigration(int aVersion, const QStringList& aStatements);

    // The highest migration version, at least 1.
    int CurrentVersion() const;
    QStringList TableNames() const;

    // Brings the open SQLite database up to date in one immediate transaction; the file's
    // version is raised to CurrentVersion, never lowered. Does nothing on other servers.
    // Returns whether anything was changed; raises EProviderError when a statement fails
    // (nothing is changed then).
    bool Apply(TqelDatabaseConnection& aConnection) const;

    // The registry of the program's tables.
    static SchemaRegistry& Global();

private:
    struct Table {
        QString Name;
        QStringList Statements;
    };

    mutable std::mutex FLock;
    std::vector<Table> FTables;
    std::map<int, QStringList> FMigrations;
};

// Registers a table with the global registry at program start: one static object of this type
// in the unit whose rows live in the table.
class SchemaTable {
public:
    SchemaTable(const char* aTableName, std::initializer_list<const char*> aStatements);
};

// Registers a migration with the global registry at program start.
class SchemaMigration {
public:
    SchemaMigration(int aVersion, std::initializer_list<const char*> aStatements);
};

}  // namespace qel
