#include "database/stored_procedure.h"

#include <QSqlQuery>

#include "database/database_connection.h"
#include "platform/exception.h"

namespace qel {

StoredProcedure::StoredProcedure(TqelDatabaseConnection* aConnection) : FConnection(aConnection) {
    Assert(aConnection != nullptr, QStringLiteral("A stored procedure needs a connection."));
}

void StoredProcedure::setProcedureName(const QString& aValue) {
    if (aValue != FProcedureName) {
        FProcedureName = aValue;
        setParamNames({});
    }
}

void StoredProcedure::setParamNames(const QStringList& aNames) {
    FParamNames = aNames;
    FInputs.assign(aNames.isEmpty() ? 0 : static_cast<size_t>(aNames.size() - 1), QVariant());
    FReturnValue = QVariant();
}

void StoredProcedure::setInput(int anIndex, const QVariant& aValue) {
    if (anIndex < 0 || static_cast<size_t>(anIndex) >= FInputs.size()) {
        throw EArgumentOutOfRangeException(
            QStringLiteral("Procedure %1 has no input %2").arg(FProcedureName).arg(anIndex));
    }
    FInputs[static_cast<size_t>(anIndex)] = aValue;
}

void StoredProcedure::Refresh() {
    if (!FConnection->Active()) {
        FConnection->Connect();
    }
    if (FConnection->Dialect() == SqlDialect::SQLite) {
        setParamNames({});
        return;
    }
    QSqlQuery exists = FConnection->Execute(
        QStringLiteral("select count(*) from INFORMATION_SCHEMA.ROUTINES where ROUTINE_NAME = "
                       ":NAME and ROUTINE_TYPE = 'PROCEDURE'"),
        {{QStringLiteral("NAME"), FProcedureName}});
    const bool found = exists.next() && exists.value(0).toInt() > 0;
    exists.finish();
    if (!found) {
        setParamNames({});
        return;
    }
    QStringList names{QStringLiteral("@RETURN_VALUE")};
    QSqlQuery params = FConnection->Execute(
        QStringLiteral("select PARAMETER_NAME from INFORMATION_SCHEMA.PARAMETERS where "
                       "SPECIFIC_NAME = :NAME and PARAMETER_MODE = 'IN' order by "
                       "ORDINAL_POSITION"),
        {{QStringLiteral("NAME"), FProcedureName}});
    while (params.next()) {
        names << params.value(0).toString();
    }
    params.finish();
    setParamNames(names);
}

void StoredProcedure::ExecProc() {
    if (FParamNames.isEmpty()) {
        throw EDatabaseError(
            QStringLiteral("Procedure %1 is not known to the server").arg(FProcedureName));
    }
    const SqlDialect dialect = FConnection->Dialect();
    QStringList placeholders;
    std::vector<BoundValue> values;
    for (size_t i = 0; i < FInputs.size(); ++i) {
        const QString name = QStringLiteral("qel_in%1").arg(i);
        placeholders << u':' + name;
        values.push_back({name, FInputs[i]});
    }
    // The return value comes back as the last result; the procedure's own results come first.
    QSqlQuery query = FConnection->Execute(
        QStringLiteral("set nocount on; declare @qel_result int; exec @qel_result = %1 %2; "
                       "select @qel_result")
            .arg(QuoteIdentifier(FProcedureName, dialect), placeholders.join(QStringLiteral(", "))),
        values);
    QVariant result;
    do {
        if (query.isSelect() && query.next()) {
            result = query.value(0);
        }
    } while (query.nextResult());
    query.finish();
    FReturnValue = result;
}

}  // namespace qel
