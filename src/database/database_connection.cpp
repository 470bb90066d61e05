#include "database/database_connection.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlIndex>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QThread>
#include <atomic>
#include <cstring>

#include "database/connection_string.h"
#include "platform/ini_file.h"

namespace qel {

size_t NameIndex::HashOf(const QString& aName) {
    // Folded as QString::compare without case folds; characters that fold to none of ASCII
    // hash alike, and their names are told apart by the full comparison.
    size_t hash = 14695981039346656037ULL;
    for (const QChar c : aName) {
        char16_t unit = c.unicode();
        if (unit >= u'A' && unit <= u'Z') {
            unit = static_cast<char16_t>(unit + (u'a' - u'A'));
        } else if (unit >= 0x80) {
            const char16_t folded = c.toCaseFolded().unicode();
            unit = folded < 0x80 ? folded : 0x80;
        }
        hash = (hash ^ unit) * 1099511628211ULL;
    }
    return hash;
}

void NameIndex::Add(const QString& aName, int anIndex) {
    if (Find(aName) < 0) {
        FEntries.push_back({HashOf(aName), anIndex, aName});
    }
}

int NameIndex::Find(const QString& aName) const {
    const size_t hash = HashOf(aName);
    for (const Entry& entry : FEntries) {
        if (entry.Hash == hash && SameName(entry.Name, aName)) {
            return entry.Index;
        }
    }
    return -1;
}

void TableInfo::Index() {
    Names.Clear();
    for (size_t i = 0; i < Columns.size(); ++i) {
        Names.Add(Columns[i].Name, static_cast<int>(i));
    }
}

const TableColumn* TableInfo::Find(const QString& aName) const {
    if (Names.Size() > 0 || Columns.empty()) {
        const int index = Names.Find(aName);
        return index < 0 ? nullptr : &Columns[static_cast<size_t>(index)];
    }
    for (const TableColumn& column : Columns) {
        if (SameName(column.Name, aName)) {
            return &column;
        }
    }
    return nullptr;
}

bool SameBinding(const QVariant& aBound, const QVariant& aValue) {
    if (aBound.metaType() != aValue.metaType() || aBound.isNull() != aValue.isNull()) {
        return false;
    }
    switch (aBound.typeId()) {
        case QMetaType::LongLong:
        case QMetaType::Int:
        case QMetaType::Bool:
            return aBound == aValue;
        case QMetaType::Double: {
            // Bit for bit: 0 and -0 are equal numbers but not the same value to store.
            const double bound = aBound.toDouble();
            const double value = aValue.toDouble();
            return std::memcmp(&bound, &value, sizeof bound) == 0;
        }
        case QMetaType::QString: {
            // A null text binds NULL, an empty one ''.
            const auto* bound = static_cast<const QString*>(aBound.constData());
            const auto* value = static_cast<const QString*>(aValue.constData());
            return bound->isNull() == value->isNull() && *bound == *value;
        }
        case QMetaType::QByteArray: {
            const auto* bound = static_cast<const QByteArray*>(aBound.constData());
            const auto* value = static_cast<const QByteArray*>(aValue.constData());
            return bound->isNull() == value->isNull() && *bound == *value;
        }
        default:
            return false;
    }
}

namespace {

const QString kAccessProvider = QStringLiteral("Microsoft.ACE.OLEDB.12.0");
const QString kSQLiteProvider = QStringLiteral("SQLite");

QString NewQtConnectionName() {
    static std::atomic<uint64_t> counter{0};
    return QStringLiteral("qel-db-%1").arg(++counter);
}

// Qt keeps its connections in a static registry of its own, which goes at program exit. A guard
// made right after the registry's first use goes just before it: a connection that is freed
// later (by a static object of its own) leaves the registry alone.
std::atomic<bool> gQtRegistryGone{false};

struct QtRegistryGuard {
    ~QtRegistryGuard() { gQtRegistryGone = true; }
};

void NoteQtRegistryInUse() {
    static QtRegistryGuard guard;
}

QString ProviderMessage(const QSqlError& anError, const QString& aFallback) {
    const QString text = anError.text().trimmed();
    return text.isEmpty() ? aFallback : text;
}

constexpr qsizetype kMemoryLimit = 256;

// Keeps what a function of a statement's text gave for it. The texts of a program are few; the
// memory is dropped whole when they are not.
template <class T, class F>
T Remembered(QHash<QString, T>& aMemory, const QString& aSql, F&& aWork) {
    auto found = aMemory.constFind(aSql);
    if (found != aMemory.constEnd()) {
        return found.value();
    }
    if (aMemory.size() >= kMemoryLimit) {
        aMemory.clear();
    }
    return aMemory.insert(aSql, aWork(aSql)).value();
}

}  // namespace

FieldKind KindOfDeclaredType(const QString& aType, int& aSize) {
    const QString type = aType.toLower();
    aSize = 0;
    const qsizetype open = type.indexOf(u'(');
    if (open >= 0) {
        bool ok = false;
        const int size = type.mid(open + 1, type.indexOf(u')', open) - open - 1)
                             .section(u',', 0, 0)
                             .trimmed()
                             .toInt(&ok);
        if (ok && size > 0) {
            aSize = size;
        }
    }
    if (type.contains(QStringLiteral("char"))) {
        return FieldKind::String;
    }
    aSize = 0;
    if (type.contains(QStringLiteral("bit")) || type.contains(QStringLiteral("bool"))) {
        return FieldKind::Boolean;
    }
    if (type.contains(QStringLiteral("money"))) {
        return FieldKind::Currency;
    }
    if (type.contains(QStringLiteral("date")) || type.contains(QStringLiteral("time"))) {
        return FieldKind::DateTime;
    }
    if (type.contains(QStringLiteral("int"))) {
        return FieldKind::Integer;
    }
    if (type.contains(QStringLiteral("text")) || type.contains(QStringLiteral("clob")) ||
        type.contains(QStringLiteral("uniqueidentifier")) || type.contains(QStringLiteral("xml"))) {
        return FieldKind::String;
    }
    if (type.isEmpty() || type.contains(QStringLiteral("blob")) ||
        type.contains(QStringLiteral("binary")) || type.contains(QStringLiteral("image"))) {
        return FieldKind::Blob;
    }
    if (type.contains(QStringLiteral("real")) || type.contains(QStringLiteral("floa")) ||
        type.contains(QStringLiteral("doub")) || type.contains(QStringLiteral("numeric")) ||
        type.contains(QStringLiteral("decimal"))) {
        return FieldKind::Float;
    }
    return FieldKind::Other;
}

FieldKind KindOfMetaType(QMetaType aType) {
    switch (aType.id()) {
        case QMetaType::QString:
        case QMetaType::QChar:
            return FieldKind::String;
        case QMetaType::Bool:
            return FieldKind::Boolean;
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Char:
        case QMetaType::SChar:
        case QMetaType::UChar:
            return FieldKind::Integer;
        case QMetaType::Double:
        case QMetaType::Float:
            return FieldKind::Float;
        case QMetaType::QDateTime:
        case QMetaType::QDate:
        case QMetaType::QTime:
            return FieldKind::DateTime;
        case QMetaType::QByteArray:
            return FieldKind::Blob;
        default:
            return FieldKind::Other;
    }
}

}  // namespace qel

TqelDatabaseConnection::TqelDatabaseConnection(TqelDatabase* aDatabase)
    : FDatabase(aDatabase), FQtName(qel::NewQtConnectionName()) {}

TqelDatabaseConnection::~TqelDatabaseConnection() {
    if (qel::gQtRegistryGone) {
        // Qt has closed its drivers and finalised their statements already.
        FStatements.clear();
        return;
    }
    try {
        RemoveQtConnection();
    } catch (...) {
        // Nothing may leave a destructor; the Qt connection is gone either way.
    }
}

QSqlDatabase TqelDatabaseConnection::Connection() const {
    if (FQtDriver.isEmpty() || FQtThread != QThread::currentThread()) {
        return QSqlDatabase();
    }
    return QSqlDatabase::database(FQtName, false);
}

bool TqelDatabaseConnection::Active() const {
    return Connection().isOpen();
}

void TqelDatabaseConnection::setActive(bool aValue) {
    if (aValue) {
        const QString connectionString = ConnectionString();
        if (Active() && FOpenedConnectionString != connectionString) {
            setActive(false);
        }
        if (!Active()) {
            OpenQtConnection(connectionString);
            setConnectionState(idbcsConnected);
        }
    } else if (Active()) {
        DropStatements();
        Connection().close();
        FInTransaction = false;
        FTables.clear();
        FLayouts.clear();
        setConnectionState(idbcsDisconnected);
    }
}

void TqelDatabaseConnection::SetUpQtConnection(const QString& aDriver) {
    if (FQtDriver == aDriver && FQtThread == QThread::currentThread()) {
        return;
    }
    RemoveQtConnection();
    QSqlDatabase::addDatabase(aDriver, FQtName);
    qel::NoteQtRegistryInUse();
    FQtDriver = aDriver;
    FQtThread = QThread::currentThread();
}

void TqelDatabaseConnection::RemoveQtConnection() {
    DropStatements();
    if (FQtDriver.isEmpty()) {
        return;
    }
    // Only the thread that set the connection up may touch it; elsewhere the driver closes
    // itself when it goes.
    if (FQtThread == QThread::currentThread()) {
        QSqlDatabase db = QSqlDatabase::database(FQtName, false);
        if (db.isOpen()) {
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(FQtName);
    FQtDriver.clear();
    FQtThread = nullptr;
}

void TqelDatabaseConnection::OpenQtConnection(const QString& aConnectionString) {
    const qel::QtConnectionTarget target =
        qel::ResolveConnectionString(aConnectionString, FConnectionTimeout);
    if (!target.Error.isEmpty()) {
        throw EProviderError(target.Error);
    }
    SetUpQtConnection(target.Driver);
    QSqlDatabase db = Connection();
    db.setDatabaseName(target.DatabaseName);
    db.setConnectOptions(target.Options);
    if (!db.open()) {
        throw EProviderError(
            qel::ProviderMessage(db.lastError(), QStringLiteral("Could not open the database")));
    }
    FOpenedConnectionString = aConnectionString;
    FTables.clear();
    FLayouts.clear();
    DropStatements();
    if (db.driver()->dbmsType() == QSqlDriver::SQLite) {
        FDialect = qel::SqlDialect::SQLite;
    } else if (db.driver()->dbmsType() == QSqlDriver::MSSqlServer ||
               db.driver()->dbmsType() == QSqlDriver::Sybase) {
        FDialect = qel::SqlDialect::SqlServer;
    } else {
        // An ODBC driver that does not say what it serves: SQLite answers this, others do not.
        QSqlQuery probe(db);
        FDialect = probe.exec(QStringLiteral("select sqlite_version()"))
                       ? qel::SqlDialect::SQLite
                       : qel::SqlDialect::SqlServer;
    }
    if (FDialect == qel::SqlDialect::SQLite) {
        SetUpSQLite(db);
    }
}

void TqelDatabaseConnection::SetUpSQLite(QSqlDatabase& aDb) {
    // Write-ahead logging syncs once per commit instead of several times and lets readers go on
    // while one connection writes; FULL keeps every commit durable. The mode stays in the file,
    // so a file made before is converted on its first open here, rows and all. A file that
    // cannot take it (read-only, in memory) keeps its own mode.
    QSqlQuery pragma(aDb);
    pragma.exec(QStringLiteral("pragma busy_timeout = %1").arg(int64_t{FConnectionTimeout} * 1000));
    pragma.exec(QStringLiteral("pragma journal_mode = wal"));
    pragma.exec(QStringLiteral("pragma synchronous = full"));
    pragma.finish();
}

bool TqelDatabaseConnection::NativeSQLite() const {
    const QSqlDatabase db = Connection();
    return db.isOpen() && db.driver()->dbmsType() == QSqlDriver::SQLite;
}

void TqelDatabaseConnection::StartTransaction() {
    QSqlDatabase db = Connection();
    if (NativeSQLite()) {
        // The writer's lock from the start: a transaction that reads first and writes later
        // would fail at once when another connection wrote in between. (ODBC keeps its own
        // transactions, so only Qt's own SQLite driver is told so.)
        QSqlQuery begin(db);
        if (!begin.exec(QStringLiteral("begin immediate"))) {
            throw EProviderError(qel::ProviderMessage(
                begin.lastError(), QStringLiteral("Could not start a transaction")));
        }
        FInTransaction = true;
        return;
    }
    if (!db.transaction()) {
        throw EProviderError(
            qel::ProviderMessage(db.lastError(), QStringLiteral("Could not start a transaction")));
    }
    FInTransaction = true;
}

void TqelDatabaseConnection::Commit() {
    QSqlDatabase db = Connection();
    if (!db.commit()) {
        throw EProviderError(
            qel::ProviderMessage(db.lastError(), QStringLiteral("Could not commit")));
    }
    FInTransaction = false;
}

void TqelDatabaseConnection::Rollback() {
    QSqlDatabase db = Connection();
    FInTransaction = false;
    if (!db.rollback()) {
        throw EProviderError(
            qel::ProviderMessage(db.lastError(), QStringLiteral("Could not roll back")));
    }
}

TADOServerType TqelDatabaseConnection::StrToServerType(const QString& aValue) {
    for (TADOServerType type : {adostNone, adostSQLServer, adostMSAccess, adostOLEDB}) {
        if (ServerTypeToStr(type).compare(aValue, Qt::CaseInsensitive) == 0) {
            return type;
        }
    }
    // Not a server type: nothing chosen.
    return adostNone;
}

QString TqelDatabaseConnection::ServerTypeToStr(TADOServerType aValue) {
    switch (aValue) {
        case adostNone:
            return QStringLiteral("None");
        case adostSQLServer:
            return QStringLiteral("SQLServer");
        case adostMSAccess:
            return QStringLiteral("MSAccess");
        case adostOLEDB:
            return QStringLiteral("OLEDB");
    }
    return {};
}

void TqelDatabaseConnection::setConnectionState(TqelDBConnectionState aValue) {
    FConnectionState = aValue;
    if (OnConnectionStateChanged) {
        OnConnectionStateChanged(aValue);
    }
}

void TqelDatabaseConnection::Invalidate() {
    setConnectionString(QString());
}

QString TqelDatabaseConnection::ConnectionString() {
    if (FFConnectionString.isEmpty()) {
        if (!FProvider.isEmpty() || FServerName.isEmpty()) {
            FFConnectionString = BuildConnectionString(FProvider, FServerName, FDatabaseName,
                                                       FUserName, FPassword, FTrusted);
        } else {
            // The server name holds a whole connection string: take it and read the parts back.
            FFConnectionString = FServerName;
            FDatabaseName.clear();
            FUserName.clear();
            FPassword.clear();
            FServerName.clear();
            FProvider.clear();
            ParseConnectionString(FFConnectionString, FProvider, FServerName, FDatabaseName,
                                  FUserName, FPassword, FTrusted);
        }
    }
    return FFConnectionString;
}

void TqelDatabaseConnection::setConnectionString(const QString& aValue) {
    setActive(false);
    FFConnectionString = aValue;
}

QString TqelDatabaseConnection::Catalogus() const {
    const QString source =
        GetConnectionStringValue(QStringLiteral("Data Source"), FFConnectionString);
    const QString catalog =
        GetConnectionStringValue(QStringLiteral("Initial Catalog"), FFConnectionString);
    return catalog.isEmpty() ? source : source + u':' + catalog;
}

TADOServerType TqelDatabaseConnection::ServerType() {
    if (FServerType == adostOLEDB) {
        const bool file = FProvider == qel::kAccessProvider ||
                          FProvider.compare(qel::kSQLiteProvider, Qt::CaseInsensitive) == 0;
        FServerType = file ? adostMSAccess : adostSQLServer;
    }
    return FServerType;
}

void TqelDatabaseConnection::setServerType(TADOServerType aValue) {
    if (aValue == FServerType) {
        return;
    }
    FServerType = aValue;
    if (aValue == adostSQLServer) {
        setProvider(QStringLiteral("SQLOLEDB"));
    } else if (aValue == adostMSAccess) {
        // The file database of this platform.
        setProvider(qel::kSQLiteProvider);
    }
    Invalidate();
}

void TqelDatabaseConnection::setProvider(const QString& aValue) {
    if (aValue != FProvider) {
        FProvider = aValue;
        Invalidate();
    }
}

void TqelDatabaseConnection::setServerName(const QString& aValue) {
    if (aValue == FServerName) {
        return;
    }
    FServerName = aValue;
    const bool wholeString = FServerType == adostOLEDB && FProvider.isEmpty();
    // A file database names a file, not a host.
    const bool fileDatabase = FServerType == adostMSAccess;
    bool dotted = true;
    for (QChar c : aValue) {
        dotted = dotted && (c == u'.' || (c >= u'0' && c <= u'9'));
    }
    if (!wholeString && !fileDatabase && !dotted) {
        const QHostInfo host = QHostInfo::fromName(aValue);
        for (const QHostAddress& address : host.addresses()) {
            if (address.protocol() == QAbstractSocket::IPv4Protocol) {
                FServerName = address.toString();
                break;
            }
        }
    }
    Invalidate();
}

void TqelDatabaseConnection::setDatabaseName(const QString& aValue) {
    if (aValue != FDatabaseName) {
        FDatabaseName = aValue;
        Invalidate();
    }
}

void TqelDatabaseConnection::setUserName(const QString& aValue) {
    if (aValue != FUserName) {
        FUserName = aValue;
        Invalidate();
    }
}

void TqelDatabaseConnection::setPassword(const QString& aValue) {
    if (aValue != FPassword) {
        FPassword = aValue;
        Invalidate();
    }
}

void TqelDatabaseConnection::setTrusted(bool aValue) {
    if (aValue != FTrusted) {
        FTrusted = aValue;
        Invalidate();
    }
}

void TqelDatabaseConnection::ReadDatabaseSettings(const QString& anIniFileName,
                                                  const QString& aSection) {
    const qel::IniFile ini(anIniFileName);
    FSectionName = aSection;
    setServerType(StrToServerType(
        ini.ReadString(aSection, QStringLiteral("SERVERTYPE"), ServerTypeToStr(FServerType))));
    setProvider(ini.ReadString(aSection, QStringLiteral("PROVIDER"), FProvider));
    switch (FServerType) {
        case adostSQLServer:
            setServerName(ini.ReadString(aSection, QStringLiteral("SERVERNAME"), FServerName));
            setDatabaseName(
                ini.ReadString(aSection, QStringLiteral("DATABASENAME"), FDatabaseName));
            setUserName(ini.ReadString(aSection, QStringLiteral("USERNAME"), FUserName));
            setPassword(ini.ReadString(aSection, QStringLiteral("PASSWORD"), FPassword));
            break;
        case adostMSAccess:
            setServerName(ini.ReadString(aSection, QStringLiteral("SERVERNAME"), FServerName));
            break;
        default:
            break;
    }
}

int TqelDatabaseConnection::CheckSettings(QString& sError) {
    sError.clear();
    if (FServerName.isEmpty()) {
        sError = QStringLiteral("Servername is not specified. Check section '") + FSectionName +
                 QStringLiteral("' key 'SERVERNAME'");
        return 1;
    }
    if (FServerType == adostSQLServer && FDatabaseName.isEmpty()) {
        sError = QStringLiteral("Databasename is not specified. Check section '") + FSectionName +
                 QStringLiteral("' key 'DATABASENAME'");
        return 2;
    }
    const QString target =
        QStringLiteral("Could not connect to database [\\\\") + FServerName + u'\\' + FDatabaseName;
    try {
        Connect();
    } catch (const Exception& e) {
        sError = target + QStringLiteral("], ") + e.Message();
        return 4;
    }
    if (!Active()) {
        sError = target + QStringLiteral("], reason unknown");
        return 3;
    }
    return 0;
}

QSqlQuery TqelDatabaseConnection::Execute(const QString& aSql,
                                          const std::vector<qel::BoundValue>& aValues) {
    if (!Active()) {
        Connect();
    }
    const qel::PreparedStatement statement = Translated(aSql);
    ++FStatementCount;
    FStatementValues.clear();
    for (qsizetype i = 0; i < statement.ParamNames.size(); ++i) {
        const QString& name = statement.ParamNames[i];
        // Callers pass the values in the statement's order: look there first.
        const auto place = static_cast<size_t>(i);
        if (place < aValues.size() && qel::SameName(aValues[place].Name, name)) {
            FStatementValues << aValues[place].Value;
            continue;
        }
        QVariant value;
        for (const qel::BoundValue& bound : aValues) {
            if (qel::SameName(bound.Name, name)) {
                value = bound.Value;
                break;
            }
        }
        FStatementValues << value;
    }
    if (OnStatement) {
        OnStatement(statement.Text);
    }
    CachedStatement& prepared = PreparedQuery(statement.Text);
    QSqlQuery query = prepared.Query;
    for (qsizetype i = 0; i < FStatementValues.size(); ++i) {
        if (i >= prepared.Bound.size() ||
            !qel::SameBinding(prepared.Bound[i], FStatementValues[i])) {
            query.bindValue(static_cast<int>(i), FStatementValues[i]);
        }
    }
    // The list the statement had goes back for the next statement's values, room and all.
    prepared.Bound.swap(FStatementValues);
    if (!query.exec()) {
        throw EProviderError(
            qel::ProviderMessage(query.lastError(), QStringLiteral("The statement failed")));
    }
    return query;
}

qel::PreparedStatement TqelDatabaseConnection::Translated(const QString& aSql) {
    return qel::Remembered(FTranslations, aSql, [this](const QString& aText) {
        return qel::PrepareStatement(aText, FDialect);
    });
}

QStringList TqelDatabaseConnection::ParamNamesOf(const QString& aSql) {
    return qel::Remembered(FParamNames, aSql, qel::ParseParamNames);
}

qel::SelectTable TqelDatabaseConnection::SelectTableOf(const QString& aSql) {
    return qel::Remembered(FSelectTables, aSql, qel::FindSelectTable);
}

TqelDatabaseConnection::CachedStatement& TqelDatabaseConnection::PreparedQuery(
    const QString& aText) {
    auto found = FStatements.find(aText);
    // A select still being read by someone is left to that reader.
    if (found != FStatements.end() && !(found->Query.isActive() && found->Query.isSelect())) {
        found->LastUse = ++FStatementUse;
        return found.value();
    }
    QSqlQuery query(Connection());
    query.setForwardOnly(true);
    if (!query.prepare(aText)) {
        throw EProviderError(
            qel::ProviderMessage(query.lastError(), QStringLiteral("The statement was refused")));
    }
    ++FPrepareCount;
    if (found == FStatements.end() && FStatements.size() >= kStatementCacheSize) {
        auto oldest = FStatements.begin();
        for (auto it = FStatements.begin(); it != FStatements.end(); ++it) {
            if (it->LastUse < oldest->LastUse) {
                oldest = it;
            }
        }
        FStatements.erase(oldest);
    }
    return FStatements.insert(aText, {query, ++FStatementUse, {}}).value();
}

void TqelDatabaseConnection::DropStatements() {
    FStatements.clear();
    FTranslations.clear();
}

const qel::TableInfo& TqelDatabaseConnection::TableInfoOf(const QString& aSchema,
                                                          const QString& aTable) {
    const QString key = (aSchema + u'.' + aTable).toLower();
    auto found = FTables.find(key);
    if (found == FTables.end()) {
        found = FTables.insert(key, ReadTableInfo(aSchema, aTable));
        found->Index();
    }
    return found.value();
}

std::shared_ptr<const qel::ResultLayout> TqelDatabaseConnection::LayoutOf(
    const QString& aSql) const {
    return FLayouts.value(aSql);
}

void TqelDatabaseConnection::RememberLayout(const QString& aSql,
                                            std::shared_ptr<const qel::ResultLayout> aLayout) {
    if (FLayouts.size() >= qel::kMemoryLimit) {
        FLayouts.clear();
    }
    FLayouts.insert(aSql, std::move(aLayout));
}

qel::TableInfo TqelDatabaseConnection::ReadTableInfo(const QString& aSchema,
                                                     const QString& aTable) {
    qel::TableInfo info;
    QSqlDatabase db = Connection();
    if (!db.isOpen()) {
        return info;
    }
    if (FDialect == qel::SqlDialect::SQLite) {
        QSqlQuery query(db);
        query.setForwardOnly(true);
        if (query.prepare(QStringLiteral("select name, type, pk from pragma_table_info(?)"))) {
            query.addBindValue(aTable);
            if (query.exec()) {
                while (query.next()) {
                    qel::TableColumn column;
                    column.Name = query.value(0).toString();
                    column.Kind = qel::KindOfDeclaredType(query.value(1).toString(), column.Size);
                    column.Key = query.value(2).toInt() > 0;
                    info.Columns.push_back(column);
                }
            }
        }
        return info;
    }
    const QString table = aSchema.isEmpty() ? aTable : aSchema + u'.' + aTable;
    const QSqlRecord record = db.record(table);
    const QSqlIndex key = db.primaryIndex(table);
    for (int i = 0; i < record.count(); ++i) {
        const QSqlField field = record.field(i);
        qel::TableColumn column;
        column.Name = field.name();
        column.Kind = qel::KindOfMetaType(field.metaType());
        // Text without a limit (max, text) reports no size or a huge one.
        if (column.Kind == qel::FieldKind::String && field.length() > 0 && field.length() <= 8000) {
            column.Size = field.length();
        }
        column.Key = key.contains(field.name());
        info.Columns.push_back(column);
    }
    return info;
}
