#pragma once

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QStringList>
#include <functional>
#include <memory>
#include <ostream>

#include "database/database.h"
#include "database_test_support.h"
#include "support/temp_folder.h"

// Readable failure messages for texts.
inline void PrintTo(const QString& aText, std::ostream* aStream) {
    *aStream << '"' << aText.toStdString() << '"';
}

namespace qel::test {

// A fresh SQLite file with the program's schema, and plain SQL to arrange and inspect rows.
// Counts the rows-changing statements the connection sends (WriteCount).
class SqliteFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(database->Initialize(
            ConnectionStringFor(DatabaseRoad::SQLite, folder.file(QStringLiteral("qel.db")))));
        database->Connection()->OnStatement = [this](const QString& aSql) {
            if (IsWrite(aSql)) {
                ++writes;
            }
            if (beforeStatement) {
                beforeStatement(aSql);
            }
        };
    }

    // INSERT, UPDATE and DELETE statements sent since SetUp or the last ResetWriteCount; key
    // draws on SEQUENCES are left out. The fixture's own Exec counts too.
    int WriteCount() const { return writes; }
    void ResetWriteCount() { writes = 0; }

    static bool IsWrite(const QString& aSql) {
        static const QRegularExpression write(QStringLiteral("^\\s*(insert|update|delete)\\b"),
                                              QRegularExpression::CaseInsensitiveOption);
        static const QRegularExpression keyDraw(
            QStringLiteral("^\\s*(insert\\s+into|update|delete\\s+from)\\s+SEQUENCES\\b"),
            QRegularExpression::CaseInsensitiveOption);
        return write.match(aSql).hasMatch() && !keyDraw.match(aSql).hasMatch();
    }

    int Exec(const QString& aSql) {
        TqelQuery query(database->Connection());
        query.setText(aSql);
        return query.ExecSQL();
    }

    // Every row of aSql, its columns joined by " " (NULL as "-").
    QStringList Rows(const QString& aSql) {
        TqelQuery query(database->Connection());
        query.setText(aSql);
        query.Open();
        QStringList rows;
        for (; !query.Eof(); query.Next()) {
            QStringList values;
            for (int i = 0; i < query.FieldCount(); ++i) {
                values << (query.Fields(i)->IsNull() ? QStringLiteral("-")
                                                     : query.Fields(i)->AsString());
            }
            rows << values.join(u' ');
        }
        return rows;
    }

    // The last key drawn from aSequence, 0 when none was.
    int LastKey(const QString& aSequence) {
        TqelQuery query(database->Connection());
        query.setText(QStringLiteral("select SQ_VALUE from SEQUENCES where SQ_TABLE = :SQ_TABLE"));
        query.SetParamAsString(QStringLiteral("SQ_TABLE"), aSequence);
        query.Open();
        return query.GetFieldAsInteger(QStringLiteral("SQ_VALUE"));
    }

    TempFolder folder;
    std::unique_ptr<TqelDatabase> database = std::make_unique<TqelDatabase>();
    // Called with every statement after it is counted; raising here fails the statement.
    std::function<void(const QString&)> beforeStatement;

private:
    int writes = 0;
};

}  // namespace qel::test
