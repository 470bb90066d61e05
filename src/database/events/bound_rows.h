#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <algorithm>
#include <memory>
#include <vector>

class TqelQuery;

// Multi-row inserts of the event writers. The statement keeps the layout of the literal one
// (the head lines, then one line per row, every row after the first prefixed by ",") but its
// values are bound, so no text is pasted into SQL and no server code page loses characters.
namespace qel {

using BoundRow = std::vector<QVariant>;

// aText in single quotes with every quote inside doubled, as a person replaying a failed
// statement needs it.
QString SqlTextLiteral(const QString& aText);

// The head lines followed by one row line per row, each "( v, v, ...)" with ", " between
// values; aLiteralRows are such lines without their leading ",".
QStringList StatementLines(const QStringList& aHead, const QStringList& aLiteralRows);

// The bound values of the first aMaxRows rows of aRows (rows with InsertValues()).
template <class T>
std::vector<BoundRow> FrontBoundRows(const std::vector<std::unique_ptr<T>>& aRows, int aMaxRows) {
    const auto count = std::min(aRows.size(), static_cast<size_t>(aMaxRows));
    std::vector<BoundRow> values;
    values.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        values.push_back(aRows[i]->InsertValues());
    }
    return values;
}

// Executes aHead followed by aRows bound as parameters; every row has the same number of
// values. Returns the rows affected; raises what the connection raises.
int ExecBoundRows(TqelQuery& aSQL, const QStringList& aHead, const std::vector<BoundRow>& aRows);

}  // namespace qel
