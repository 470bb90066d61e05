#pragma once

#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QThread>
#include <QVariant>
#include <QVariantList>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "database/sql_dialect.h"
#include "platform/exception.h"

class TqelDatabase;

// A query or connection used in a way it does not allow (a missing field, a change outside
// an edit, a result that cannot be changed).
QEL_DECLARE_EXCEPTION(EDatabaseError, Exception);
// The database or its driver refused or failed: connection failures and failed statements.
QEL_DECLARE_EXCEPTION(EProviderError, EDatabaseError);

enum TADOServerType : uint8_t { adostNone, adostSQLServer, adostMSAccess, adostOLEDB };

enum TqelDBConnectionState : uint8_t {
    idbcsNone,
    idbcsDisabled,
    idbcsNotInitialized,
    idbcsError,
    idbcsDisconnected,
    idbcsConnected
};

namespace qel {

// How values are held and written for a column.
enum class FieldKind : uint8_t { String, Integer, Float, Currency, Boolean, DateTime, Blob, Other };

struct TableColumn {
    QString Name;
    FieldKind Kind = FieldKind::Other;
    int Size = 0;  // characters of a sized text column, else 0
    bool Key = false;
};

// Column and parameter names are the same without regard to case. Cheap for names of another
// length, which most are: the lookups of every row run through here.
inline bool SameName(const QString& aName, const QString& anOther) {
    return aName.size() == anOther.size() &&
           (aName == anOther || aName.compare(anOther, Qt::CaseInsensitive) == 0);
}

// Finds names without regard to case by a hash of their case-folded characters, so that the
// look-ups every row makes compare numbers and only the one likely name in full.
class NameIndex {
public:
    // A name added twice keeps its first index.
    void Add(const QString& aName, int anIndex);
    void Clear() { FEntries.clear(); }
    int Size() const { return static_cast<int>(FEntries.size()); }
    // The index of the first name added that is the same as aName, or -1.
    int Find(const QString& aName) const;

private:
    struct Entry {
        size_t Hash;
        int Index;
        QString Name;
    };
    static size_t HashOf(const QString& aName);
    std::vector<Entry> FEntries;
};

// The columns of a table as the server declares them; empty when there is no such table.
struct TableInfo {
    std::vector<TableColumn> Columns;
    // Built by Index(); Find searches the columns one by one without it.
    NameIndex Names;
    void Index();
    const TableColumn* Find(const QString& aName) const;
};

// One column of a select's result, as TqelQuery holds it.
struct ResultColumn {
    QString Name;
    FieldKind Kind = FieldKind::Other;
    int Size = 0;
    bool Base = false;  // a column of the select's table
    bool Key = false;
    // The name quoted for the statement's dialect, and the parameters that write and find it.
    QString QuotedName;
    QString ValueParam;
    QString KeyParam;
};

// What a select's result looks like and how its rows are written back, worked out once per
// statement text on a connection. Belongs to the connection's thread.
struct ResultLayout {
    SqlDialect Dialect = SqlDialect::SqlServer;
    std::vector<ResultColumn> Columns;
    NameIndex Names;
    // Some names are "alias.COLUMN", which are also found by the bare column name.
    bool DottedNames = false;
    QString Schema;
    QString Table;  // empty when the result cannot be changed
    QString ReadOnlyReason;
    QString QuotedTable;
    bool HasKey = false;
    // The single integer key column the server may number itself, or -1.
    int IdentityColumn = -1;
    // Insert statements by the set of columns they send (bit i for column i).
    mutable QHash<uint64_t, QString> Inserts;
};

// The kind of a column from its declared SQL type ("nvarchar(30)" gives String with aSize 30;
// aSize is 0 for anything but sized text), or from the type a driver reports for it.
FieldKind KindOfDeclaredType(const QString& aType, int& aSize);
FieldKind KindOfMetaType(QMetaType aType);

// Whether a driver binds the two values alike (type, NULL and value), so that a value bound
// before can stay bound.
bool SameBinding(const QVariant& aBound, const QVariant& aValue);

// One parameter value for a statement, matched to ":NAME" without regard to case.
struct BoundValue {
    QString Name;
    QVariant Value;
};

}  // namespace qel

// One connection to the database: its settings, its connection string and the Qt connection
// behind it. The file database is SQLite (Provider=SQLite;Data Source=<file>); the SQL Server
// providers open through ODBC with the FreeTDS driver; "MSDASQL" hands the string's other
// entries (or its Extended Properties) to ODBC as they stand. An Access provider cannot be
// served here and is refused with an error that names the SQLite form.
//
// The connection belongs to the thread that opens it: each instance has its own uniquely named
// Qt connection, set up again when another thread opens it.
class TqelDatabaseConnection {
public:
    explicit TqelDatabaseConnection(TqelDatabase* aDatabase = nullptr);
    virtual ~TqelDatabaseConnection();
    TqelDatabaseConnection(const TqelDatabaseConnection&) = delete;
    TqelDatabaseConnection& operator=(const TqelDatabaseConnection&) = delete;

    void Connect() { setActive(true); }
    void Disconnect() { setActive(false); }

    // Opening raises EProviderError when the connection cannot be made.
    bool Active() const;
    void setActive(bool aValue);

    void StartTransaction();
    void Commit();
    void Rollback();
    bool InTransaction() const { return FInTransaction; }

    static TADOServerType StrToServerType(const QString& aValue);
    static QString ServerTypeToStr(TADOServerType aValue);

    // Reads SERVERTYPE, PROVIDER and, by type, SERVERNAME, DATABASENAME, USERNAME, PASSWORD.
    void ReadDatabaseSettings(const QString& anIniFileName, const QString& aSection);
    // 0 connected; 1 no server name; 2 no database name; 3 not open, reason unknown; 4 the
    // connection failed (sError holds why).
    virtual int CheckSettings(QString& sError);

    TqelDBConnectionState ConnectionState() const { return FConnectionState; }
    void setConnectionState(TqelDBConnectionState aValue);
    // Told of every state change; the owning database listens here.
    std::function<void(TqelDBConnectionState)> OnConnectionStateChanged;

    TqelDatabase* Database() const { return FDatabase; }
    // The Qt connection (invalid before the first open or on another thread).
    QSqlDatabase Connection() const;

    QString ConnectionString();
    void setConnectionString(const QString& aValue);
    // Data source and catalog of the built string ("source:catalog"); empty before it is built.
    QString Catalogus() const;

    TADOServerType ServerType();
    void setServerType(TADOServerType aValue);
    const QString& Provider() const { return FProvider; }
    void setProvider(const QString& aValue);
    const QString& ServerName() const { return FServerName; }
    void setServerName(const QString& aValue);
    const QString& DatabaseName() const { return FDatabaseName; }
    void setDatabaseName(const QString& aValue);
    const QString& UserName() const { return FUserName; }
    void setUserName(const QString& aValue);
    const QString& Password() const { return FPassword; }
    void setPassword(const QString& aValue);
    bool Trusted() const { return FTrusted; }
    void setTrusted(bool aValue);
    const QString& SectionName() const { return FSectionName; }
    void setSectionName(const QString& aValue) { FSectionName = aValue; }

    // Seconds; SQLite waits this long for a locked file.
    int ConnectionTimeout() const { return FConnectionTimeout; }
    void setConnectionTimeout(int aValue) { FConnectionTimeout = aValue; }
    int CommandTimeout() const { return FCommandTimeout; }
    void setCommandTimeout(int aValue) { FCommandTimeout = aValue; }
    // Connections stay open between commands here.
    bool KeepConnection() const { return true; }

    // The SQL form of the open database (SQL Server until one is open).
    qel::SqlDialect Dialect() const { return FDialect; }
    // Open through Qt's own SQLite driver, which passes SQLite's statements through as they
    // are (a transaction's "begin immediate", an update's "returning").
    bool NativeSQLite() const;

    // Sends one statement of a query: translated for the server, parameters bound by name
    // (missing ones as NULL), counted. Opens the connection when it is closed. Raises
    // EProviderError when the server refuses it. The result is positioned before its first row.
    //
    // The connection keeps the last kStatementCacheSize statements prepared, by their translated
    // text, and binds them again when they are sent again: the result shares that prepared
    // statement, so a caller reads it (or finishes it) before sending the same text again.
    QSqlQuery Execute(const QString& aSql, const std::vector<qel::BoundValue>& aValues);
    static constexpr int kStatementCacheSize = 64;
    // Statements sent through Execute since the connection was created.
    int64_t StatementCount() const { return FStatementCount; }
    // Statements the driver prepared since the connection was created.
    int64_t PrepareCount() const { return FPrepareCount; }
    // Called with each statement's text before it is sent; an exception raised here fails the
    // statement as the server would (tests put a provider failure in this way).
    std::function<void(const QString&)> OnStatement;
    // The values of the statement being sent, in the order of its "?" (read inside OnStatement).
    const QVariantList& StatementValues() const { return FStatementValues; }

    // Tests drive the SQL Server statements against a SQLite file: the form set here holds until
    // the connection opens again.
    void setDialect(qel::SqlDialect aValue) { FDialect = aValue; }

    // What a statement's text says (its parameters, the table a select reads), worked out once
    // per text on this connection.
    QStringList ParamNamesOf(const QString& aSql);
    qel::SelectTable SelectTableOf(const QString& aSql);

    // The columns of a table, read once per open connection.
    const qel::TableInfo& TableInfoOf(const QString& aSchema, const QString& aTable);
    // The layout TqelQuery worked out for a select's text on this open connection, or none.
    std::shared_ptr<const qel::ResultLayout> LayoutOf(const QString& aSql) const;
    void RememberLayout(const QString& aSql, std::shared_ptr<const qel::ResultLayout> aLayout);

private:
    struct CachedStatement {
        QSqlQuery Query;
        uint64_t LastUse = 0;
        // What the query has bound: the driver keeps values between runs, so only changed
        // ones are bound again.
        QVariantList Bound;
    };

    void Invalidate();
    void OpenQtConnection(const QString& aConnectionString);
    void SetUpSQLite(QSqlDatabase& aDb);
    qel::PreparedStatement Translated(const QString& aSql);
    // The cached statement for aText, prepared when it is new; valid until the next call.
    CachedStatement& PreparedQuery(const QString& aText);
    void DropStatements();
    void SetUpQtConnection(const QString& aDriver);
    void RemoveQtConnection();
    qel::TableInfo ReadTableInfo(const QString& aSchema, const QString& aTable);

    QString FDatabaseName;
    QString FPassword;
    QString FUserName;
    QString FServerName;
    QString FSectionName;
    TADOServerType FServerType = adostNone;
    TqelDatabase* FDatabase;
    QString FProvider;
    bool FTrusted = false;
    TqelDBConnectionState FConnectionState = idbcsNotInitialized;
    QString FFConnectionString;

    int FConnectionTimeout = 15;
    int FCommandTimeout = 30;
    bool FInTransaction = false;
    qel::SqlDialect FDialect = qel::SqlDialect::SqlServer;
    QString FQtName;
    QString FQtDriver;
    QThread* FQtThread = nullptr;
    QString FOpenedConnectionString;
    int64_t FStatementCount = 0;
    int64_t FPrepareCount = 0;
    QVariantList FStatementValues;
    // Prepared statements by translated text, and the translations by the text as written;
    // both belong to the open Qt connection and go when it closes.
    QHash<QString, CachedStatement> FStatements;
    QHash<QString, qel::PreparedStatement> FTranslations;
    QHash<QString, QStringList> FParamNames;
    QHash<QString, qel::SelectTable> FSelectTables;
    uint64_t FStatementUse = 0;
    QHash<QString, qel::TableInfo> FTables;
    QHash<QString, std::shared_ptr<const qel::ResultLayout>> FLayouts;
};
