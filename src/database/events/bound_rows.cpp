#include "database/events/bound_rows.h"

#include "database/query.h"
#include "platform/exception.h"

namespace qel {

QString SqlTextLiteral(const QString& aText) {
    QString doubled = aText;
    doubled.replace(u'\'', QStringLiteral("''"));
    return u'\'' + doubled + u'\'';
}

QStringList StatementLines(const QStringList& aHead, const QStringList& aLiteralRows) {
    QStringList lines = aHead;
    for (qsizetype i = 0; i < aLiteralRows.size(); ++i) {
        lines << (i == 0 ? aLiteralRows[i] : u',' + aLiteralRows[i]);
    }
    return lines;
}

int ExecBoundRows(TqelQuery& aSQL, const QStringList& aHead, const std::vector<BoundRow>& aRows) {
    QStringList rowLines;
    rowLines.reserve(static_cast<qsizetype>(aRows.size()));
    for (size_t row = 0; row < aRows.size(); ++row) {
        QStringList names;
        for (size_t column = 0; column < aRows[row].size(); ++column) {
            names << QStringLiteral(":R%1C%2").arg(row).arg(column);
        }
        rowLines << QStringLiteral("( ") + names.join(QStringLiteral(", ")) + u')';
    }
    aSQL.setText(StatementLines(aHead, rowLines).join(u'\n'));
    // The parameters are listed in the order they appear, which is the order of the values.
    int index = 0;
    for (const BoundRow& row : aRows) {
        for (const QVariant& value : row) {
            aSQL.Param(index++)->setValue(value);
        }
    }
    Assert(index == aSQL.ParamCount(), QStringLiteral("Every parameter of a batch gets a value."));
    return aSQL.ExecSQL();
}

}  // namespace qel
