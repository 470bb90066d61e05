#pragma once

#include <QString>
#include <utility>
#include <vector>

// Connection strings in their OLE DB syntax: "name=value" entries joined by ";". A value that
// starts with a double quote runs to its closing quote (a doubled quote inside belongs to it),
// so a password may hold ";" or "=".

// Builds the string from its parts (entries with an empty value are left out):
// - no user, trusted: Integrated Security, Persist Security Info=False, catalog, data source;
// - no user, not trusted (the file database): Persist Security Info=False, data source;
// - user and password: the password quoted, Persist Security Info=True, user, catalog,
//   data source;
// - user without password: Persist Security Info=False, user, catalog, data source.
QString BuildConnectionString(const QString& aProvider, const QString& aDataSource,
                              const QString& aCatalog, const QString& aUserName,
                              const QString& aPassword, bool aTrusted);

// The value of key aKey as written (a quoted value keeps its quotes); empty when the key is
// missing. Keys match whole entries without regard to case, so text inside another entry's
// value (a password holding "User ID=") is never taken for a key.
QString GetConnectionStringValue(const QString& aKey, const QString& aConnectionString);

// Splits the string into its parts. A provider with one version suffix ("SQLOLEDB.1") loses
// it; a user written as "" is empty; the password loses one level of double quotes. True when
// the provider and the data source are both set.
bool ParseConnectionString(const QString& aConnectionString, QString& aProvider,
                           QString& aDataSource, QString& aCatalog, QString& aUserName,
                           QString& aPassword, bool& aTrusted);

namespace qel {

// The entries of a connection string in order, keys and values trimmed, values as written.
// Entries without "=" or without a key are dropped.
std::vector<std::pair<QString, QString>> SplitConnectionString(const QString& aConnectionString);

// aText in double quotes with every inner double quote doubled, and back. Dequoting text that
// is not properly enclosed gives it unchanged.
QString QuoteConnectionValue(const QString& aText);
QString DequoteConnectionValue(const QString& aText);

}  // namespace qel

namespace qel {

// What a connection string opens on this platform: a Qt driver, its database name and its
// connect options; or, in Error, why it cannot be opened here.
struct QtConnectionTarget {
    QString Driver;
    QString DatabaseName;
    QString Options;
    QString Error;
};

// The SQLite provider opens the data source as a SQLite file; SQLOLEDB, SQLNCLI*, MSOLEDBSQL*
// open through ODBC with the FreeTDS driver (with a SQL Server login only); MSDASQL passes its
// Extended Properties, or else its other entries, to ODBC; Access and other providers are
// refused. aTimeoutSeconds limits the login (SQLite: the wait for a locked file).
QtConnectionTarget ResolveConnectionString(const QString& aConnectionString, int aTimeoutSeconds);

}  // namespace qel
