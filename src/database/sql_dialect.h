#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <cstdint>

#include "platform/date_time.h"

// Statements are written once, in the SQL Server form. This unit reads them (parameters, the
// table a select reads) and translates the few differences for SQLite.
namespace qel {

enum class SqlDialect : uint8_t { SqlServer, SQLite };

// A statement as the driver gets it: every ":NAME" replaced by "?", with the names in the
// order of the "?" (a name used twice appears twice).
struct PreparedStatement {
    QString Text;
    QStringList ParamNames;
};

// The parameter names of a statement, each once (compared without case), in order of first
// use. Text inside quotes, brackets and comments holds none; "::" is not a parameter.
QStringList ParseParamNames(const QString& aSql);

// Puts the parameters in positional form and, for SQLite, rewrites "top n" (also inside
// sub-selects) as "limit n" at the end of that select and "truncate table" as "delete from".
PreparedStatement PrepareStatement(const QString& aSql, SqlDialect aDialect);

// The one table a select reads from and whose rows it may change. Table is empty when the
// statement is anything else (a join, a union, a grouping, distinct rows, a derived table,
// not a select); Reason then says why.
struct SelectTable {
    QString Schema;
    QString Table;
    QString Reason;
};
SelectTable FindSelectTable(const QString& aSql);

// An identifier quoted for the dialect.
QString QuoteIdentifier(const QString& aName, SqlDialect aDialect);

// Date-times in a SQLite file: "yyyy-mm-dd hh:nn:ss.zzz" text, the value's own fields with no
// time-zone conversion, so every millisecond value comes back as it was stored. The parser
// also takes a "T" separator and text without seconds, milliseconds or time; false for
// anything else.
QString DateTimeToSqlText(TDateTime aValue);
// The value a driver binds for a date-time: the text above for SQLite, a QDateTime with the
// same fields (no time-zone conversion) for SQL Server.
QVariant DateTimeToSqlValue(TDateTime aValue, SqlDialect aDialect);
bool SqlTextToDateTime(const QString& aText, TDateTime& aValue);

}  // namespace qel
