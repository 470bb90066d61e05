#pragma once

#include <QFileInfo>
#include <QString>

namespace qel::test {

// The two roads to a database that can be driven on any machine: Qt's SQLite driver, and
// ODBC with the SQLite ODBC driver (the road SQL Server takes).
enum class DatabaseRoad { SQLite, Odbc };

inline QString SqliteOdbcDriver() {
    return QStringLiteral("/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so");
}

inline QString ConnectionStringFor(DatabaseRoad aRoad, const QString& aFile) {
    if (aRoad == DatabaseRoad::SQLite) {
        return QStringLiteral("Provider=SQLite;Data Source=") + aFile;
    }
    return QStringLiteral("Provider=MSDASQL;Extended Properties=\"DRIVER=%1;Database=%2\"")
        .arg(SqliteOdbcDriver(), aFile);
}

}  // namespace qel::test
