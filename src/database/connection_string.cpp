#include "database/connection_string.h"

#include <QFileInfo>
#include <algorithm>

namespace qel {

std::vector<std::pair<QString, QString>> SplitConnectionString(const QString& aConnectionString) {
    std::vector<std::pair<QString, QString>> entries;
    const qsizetype length = aConnectionString.size();
    qsizetype pos = 0;
    while (pos < length) {
        // The key runs to "=" (or to the entry's end, then the entry is dropped).
        const qsizetype keyStart = pos;
        while (pos < length && aConnectionString[pos] != u'=' && aConnectionString[pos] != u';') {
            ++pos;
        }
        const QString key = aConnectionString.mid(keyStart, pos - keyStart).trimmed();
        if (pos >= length || aConnectionString[pos] == u';') {
            ++pos;
            continue;
        }
        ++pos;  // "="
        while (pos < length && aConnectionString[pos] == u' ') {
            ++pos;
        }
        const qsizetype valueStart = pos;
        qsizetype valueEnd = -1;
        if (pos < length && aConnectionString[pos] == u'"') {
            // Quoted: a doubled quote stays inside; the value ends after its closing quote.
            ++pos;
            while (pos < length) {
                if (aConnectionString[pos] == u'"') {
                    if (pos + 1 < length && aConnectionString[pos + 1] == u'"') {
                        pos += 2;
                        continue;
                    }
                    ++pos;
                    valueEnd = pos;
                    break;
                }
                ++pos;
            }
        }
        while (pos < length && aConnectionString[pos] != u';') {
            ++pos;
        }
        // Whatever follows a closing quote up to the ";" is not part of the value.
        if (valueEnd < 0) {
            valueEnd = pos;
        }
        const QString value = aConnectionString.mid(valueStart, valueEnd - valueStart).trimmed();
        ++pos;  // ";"
        if (!key.isEmpty()) {
            entries.emplace_back(key, value);
        }
    }
    return entries;
}

QString QuoteConnectionValue(const QString& aText) {
    QString doubled = aText;
    doubled.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return u'"' + doubled + u'"';
}

QString DequoteConnectionValue(const QString& aText) {
    if (aText.size() < 2 || !aText.startsWith(u'"') || !aText.endsWith(u'"')) {
        return aText;
    }
    QString inner;
    inner.reserve(aText.size() - 2);
    for (qsizetype i = 1; i < aText.size() - 1; ++i) {
        if (aText[i] == u'"') {
            // Inside, quotes come in pairs; a lone one means the text is not enclosed.
            if (i + 1 >= aText.size() - 1 || aText[i + 1] != u'"') {
                return aText;
            }
            ++i;
        }
        inner += aText[i];
    }
    return inner;
}

}  // namespace qel

namespace {

void AddEntry(QStringList& anEntries, const QString& aKey, const QString& aValue) {
    if (!aValue.isEmpty()) {
        anEntries << aKey + u'=' + aValue;
    }
}

}  // namespace

QString BuildConnectionString(const QString& aProvider, const QString& aDataSource,
                              const QString& aCatalog, const QString& aUserName,
                              const QString& aPassword, bool aTrusted) {
    QStringList entries;
    AddEntry(entries, QStringLiteral("Provider"), aProvider);
    if (aUserName.isEmpty()) {
        if (aTrusted) {
            AddEntry(entries, QStringLiteral("Integrated Security"), QStringLiteral("SSPI"));
            AddEntry(entries, QStringLiteral("Persist Security Info"), QStringLiteral("False"));
            AddEntry(entries, QStringLiteral("Initial Catalog"), aCatalog);
        } else {
            AddEntry(entries, QStringLiteral("Persist Security Info"), QStringLiteral("False"));
        }
    } else if (!aPassword.isEmpty()) {
        AddEntry(entries, QStringLiteral("Password"), qel::QuoteConnectionValue(aPassword));
        AddEntry(entries, QStringLiteral("Persist Security Info"), QStringLiteral("True"));
        AddEntry(entries, QStringLiteral("User ID"), aUserName);
        AddEntry(entries, QStringLiteral("Initial Catalog"), aCatalog);
    } else {
        AddEntry(entries, QStringLiteral("Persist Security Info"), QStringLiteral("False"));
        AddEntry(entries, QStringLiteral("User ID"), aUserName);
        AddEntry(entries, QStringLiteral("Initial Catalog"), aCatalog);
    }
    AddEntry(entries, QStringLiteral("Data Source"), aDataSource);
    return entries.join(u';');
}

QString GetConnectionStringValue(const QString& aKey, const QString& aConnectionString) {
    for (const auto& [key, value] : qel::SplitConnectionString(aConnectionString)) {
        if (key.compare(aKey, Qt::CaseInsensitive) == 0) {
            return value;
        }
    }
    return {};
}

bool ParseConnectionString(const QString& aConnectionString, QString& aProvider,
                           QString& aDataSource, QString& aCatalog, QString& aUserName,
                           QString& aPassword, bool& aTrusted) {
    aProvider = GetConnectionStringValue(QStringLiteral("Provider"), aConnectionString);
    if (aProvider.count(u'.') == 1) {
        aProvider.truncate(aProvider.indexOf(u'.'));
    }
    aDataSource = GetConnectionStringValue(QStringLiteral("Data Source"), aConnectionString);
    aCatalog = GetConnectionStringValue(QStringLiteral("Initial Catalog"), aConnectionString);
    aUserName = GetConnectionStringValue(QStringLiteral("User ID"), aConnectionString);
    if (aUserName == QStringLiteral("\"\"")) {
        aUserName.clear();
    }
    aPassword = qel::DequoteConnectionValue(
        GetConnectionStringValue(QStringLiteral("Password"), aConnectionString));
    aTrusted = GetConnectionStringValue(QStringLiteral("Integrated Security"), aConnectionString) ==
               QStringLiteral("SSPI");
    return !aProvider.isEmpty() && !aDataSource.isEmpty();
}

namespace qel {

namespace {

const QString kSQLiteForm = QStringLiteral("Provider=SQLite;Data Source=<file>");

// An ODBC value in braces when it holds anything that would end or split it.
QString OdbcValue(const QString& aValue) {
    static const QString special = QStringLiteral(";{}=");
    bool needsBraces = aValue != aValue.trimmed();
    for (QChar c : aValue) {
        needsBraces = needsBraces || special.contains(c);
    }
    if (!needsBraces) {
        return aValue;
    }
    QString doubled = aValue;
    doubled.replace(QStringLiteral("}"), QStringLiteral("}}"));
    return u'{' + doubled + u'}';
}

QString FreeTdsDriver() {
    static const QString installed = QStringLiteral("/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so");
    return QFileInfo::exists(installed) ? installed : QStringLiteral("FreeTDS");
}

bool IsSqlServerProvider(const QString& aProvider) {
    for (const char* known : {"SQLOLEDB", "SQLNCLI", "MSOLEDBSQL"}) {
        if (aProvider.startsWith(QLatin1String(known), Qt::CaseInsensitive)) {
            return true;
        }
    }
    return false;
}

}  // namespace

QtConnectionTarget ResolveConnectionString(const QString& aConnectionString, int aTimeoutSeconds) {
    QtConnectionTarget target;
    QString provider, dataSource, catalog, userName, password;
    bool trusted = false;
    ParseConnectionString(aConnectionString, provider, dataSource, catalog, userName, password,
                          trusted);
    const int timeout = std::max(0, aTimeoutSeconds);
    if (provider.compare(QStringLiteral("SQLite"), Qt::CaseInsensitive) == 0) {
        if (dataSource.isEmpty()) {
            target.Error = QStringLiteral("No database file given: use ") + kSQLiteForm;
            return target;
        }
        target.Driver = QStringLiteral("QSQLITE");
        target.DatabaseName = dataSource;
        target.Options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(int64_t{timeout} * 1000);
        return target;
    }
    if (provider.startsWith(QStringLiteral("Microsoft.ACE.OLEDB"), Qt::CaseInsensitive) ||
        provider.startsWith(QStringLiteral("Microsoft.Jet.OLEDB"), Qt::CaseInsensitive)) {
        target.Error = QStringLiteral(
                           "Access databases (Provider=%1) cannot be opened on this platform. "
                           "Use the SQLite file database instead: ")
                           .arg(provider) +
                       kSQLiteForm;
        return target;
    }
    const QString odbcOptions = QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=%1").arg(timeout);
    if (IsSqlServerProvider(provider)) {
        if (userName.isEmpty() && trusted) {
            target.Error = QStringLiteral(
                "Integrated security (SSPI) is not available on this platform: give a SQL Server "
                "login with User ID and Password");
            return target;
        }
        if (dataSource.isEmpty()) {
            target.Error = QStringLiteral("No server given (Data Source)");
            return target;
        }
        QString server = dataSource;
        if (server.startsWith(QStringLiteral("tcp:"), Qt::CaseInsensitive)) {
            server.remove(0, 4);
        }
        if (server == u'.' || server.compare(QStringLiteral("(local)"), Qt::CaseInsensitive) == 0) {
            server = QStringLiteral("localhost");
        }
        QStringList entries;
        entries << QStringLiteral("DRIVER=") + OdbcValue(FreeTdsDriver())
                << QStringLiteral("SERVER=") + OdbcValue(server);
        if (!catalog.isEmpty()) {
            entries << QStringLiteral("DATABASE=") + OdbcValue(catalog);
        }
        if (!userName.isEmpty()) {
            entries << QStringLiteral("UID=") + OdbcValue(userName)
                    << QStringLiteral("PWD=") + OdbcValue(password);
        }
        entries << QStringLiteral("ClientCharset=UTF-8");
        target.Driver = QStringLiteral("QODBC");
        target.DatabaseName = entries.join(u';');
        target.Options = odbcOptions;
        return target;
    }
    if (provider.compare(QStringLiteral("MSDASQL"), Qt::CaseInsensitive) == 0) {
        QString odbc = DequoteConnectionValue(
            GetConnectionStringValue(QStringLiteral("Extended Properties"), aConnectionString));
        if (odbc.isEmpty()) {
            QStringList entries;
            for (const auto& [key, value] : SplitConnectionString(aConnectionString)) {
                if (key.compare(QStringLiteral("Provider"), Qt::CaseInsensitive) != 0 &&
                    key.compare(QStringLiteral("Persist Security Info"), Qt::CaseInsensitive) !=
                        0) {
                    entries << key + u'=' + value;
                }
            }
            odbc = entries.join(u';');
        }
        if (odbc.isEmpty()) {
            target.Error = QStringLiteral("The ODBC connection string is empty");
            return target;
        }
        target.Driver = QStringLiteral("QODBC");
        target.DatabaseName = odbc;
        target.Options = odbcOptions;
        return target;
    }
    target.Error =
        provider.isEmpty()
            ? QStringLiteral("The connection string names no provider")
            : QStringLiteral("The database provider '%1' is not supported").arg(provider);
    return target;
}

}  // namespace qel
