#pragma once

#include <gtest/gtest.h>

#include <QStringList>
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
class SqliteFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(database->Initialize(
            ConnectionStringFor(DatabaseRoad::SQLite, folder.file(QStringLiteral("qel.db")))));
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
};

}  // namespace qel::test
