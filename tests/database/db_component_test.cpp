#include <gtest/gtest.h>

#include "database/db_component.h"
#include "database/generic_list.h"
#include "database/transaction_scope.h"
#include "database_test_support.h"
#include "platform/guid_text.h"
#include "support/temp_folder.h"

using qel::DataSetState;

namespace {

// A row of TEST_ROWS, keyed by ROW_ID from the sequence TEST_ROWS.
class TqeltestRow : public TqelDBComponent {
public:
    using TqelDBComponent::TqelDBComponent;

    void PrepareSave(TqelQuery& aSQL) override {
        aSQL.setText(SaveByName
                         ? QStringLiteral("select * from TEST_ROWS where ROW_NAME = :ROW_NAME")
                         : QStringLiteral("select * from TEST_ROWS where ROW_ID = :ROW_ID"));
    }
    void PrepareParams(TqelQuery& aSQL) override {
        aSQL.SetParamAsInteger(QStringLiteral("ROW_ID"), RowId);
        aSQL.SetParamAsString(QStringLiteral("ROW_NAME"), Name);
    }
    static void PrepareOpen(TqelQuery& aSQL) {
        aSQL.setText(QStringLiteral("select * from TEST_ROWS"));
    }
    static void OrderBy(TqelQuery& aSQL) { aSQL.OrderBy(QStringLiteral("ROW_NAME"), false); }
    void Delete(TqelQuery& aSQL) override {
        if (!CanDelete) {
            TqelDBComponent::Delete(aSQL);
        }
        aSQL.setText(QStringLiteral("delete from TEST_ROWS where ROW_ID = :ROW_ID"));
        aSQL.SetParamAsInteger(QStringLiteral("ROW_ID"), RowId);
        aSQL.ExecSQL();
    }
    void AfterInsert(TqelQuery& aSQL) override {
        RowId = GetPrimaryKey(aSQL, QStringLiteral("ROW_ID"), QStringLiteral("TEST_ROWS"));
    }
    void DataSetToVaruza(TqelQuery& aSQL) override {
        RowId = aSQL.GetFieldAsInteger(QStringLiteral("ROW_ID"));
        Name = aSQL.GetFieldAsString(QStringLiteral("ROW_NAME"));
        const QString guid = aSQL.GetFieldAsString(QStringLiteral("ROW_GUID"));
        if (!guid.isEmpty()) {
            setGUID(qel::StringToGuid(guid));
        }
    }
    void VaruzaToDataSet(TqelQuery& aSQL) override {
        aSQL.SetFieldAsString(QStringLiteral("ROW_NAME"), Name);
        aSQL.SetFieldAsString(QStringLiteral("ROW_GUID"), qel::GuidToString(GUID()));
        if (FailWriting) {
            throw EConvertError(QStringLiteral("'x' is not a valid value"));
        }
    }

    int32_t RowId = 0;
    QString Name;
    bool SaveByName = false;
    bool CanDelete = false;
    bool FailWriting = false;
};

using TqeltestRows = TqelGenericDatabaseVaruza<TqeltestRow>;

}  // namespace

class DBComponentTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(database->Initialize(qel::test::ConnectionStringFor(
            qel::test::DatabaseRoad::SQLite, folder.file(QStringLiteral("qel.db")))));
        Exec(
            QStringLiteral("create table TEST_ROWS (ROW_ID integer not null primary key, "
                           "ROW_NAME varchar(30) collate nocase, ROW_GUID varchar(38))"));
        database->Connection()->OnStatement = [this](const QString& aSql) { sent << aSql; };
    }

    int Exec(const QString& aSql) {
        TqelQuery query(database->Connection());
        query.setText(aSql);
        return query.ExecSQL();
    }

    // The stored rows as "id name", in key order.
    QStringList Stored() {
        TqelQuery query(database->Connection());
        query.setText(QStringLiteral("select * from TEST_ROWS order by ROW_ID"));
        query.Open();
        QStringList rows;
        for (; !query.Eof(); query.Next()) {
            rows << QStringLiteral("%1 %2")
                        .arg(query.GetFieldAsInteger(QStringLiteral("ROW_ID")))
                        .arg(query.GetFieldAsString(QStringLiteral("ROW_NAME")));
        }
        return rows;
    }

    int LastKey() {
        TqelQuery query(database->Connection());
        query.setText(
            QStringLiteral("select SQ_VALUE from SEQUENCES where SQ_TABLE = 'TEST_ROWS'"));
        query.Open();
        return query.GetFieldAsInteger(QStringLiteral("SQ_VALUE"));
    }

    // Statements sent since the last call, without the key draws: their first three words.
    std::string Sent() {
        QStringList result;
        for (const QString& statement : sent) {
            if (!statement.contains(QStringLiteral("SEQUENCES")) &&
                !statement.startsWith(QStringLiteral("begin")) &&
                !statement.startsWith(QStringLiteral("commit"))) {
                result << statement.simplified().section(u' ', 0, 2);
            }
        }
        sent.clear();
        return result.join(QStringLiteral("; ")).toStdString();
    }

    qel::test::TempFolder folder;
    std::unique_ptr<TqelDatabase> database = std::make_unique<TqelDatabase>();
    QStringList sent;
};

TEST_F(DBComponentTest, SaveInsertsANewRowThenWritesOnlyWhatChanged) {
    TqeltestRows rows(database.get());
    TqeltestRow* row = rows.AddVaruza();
    EXPECT_FALSE(row->Modified());
    row->Name = QStringLiteral("Ann");
    row->setModified(true);

    rows.Save(row);
    EXPECT_EQ(Sent(), "select * from; insert into \"TEST_ROWS\"");
    EXPECT_EQ(row->RowId, 1);
    EXPECT_EQ(LastKey(), 1) << "exactly one key drawn";
    EXPECT_FALSE(row->Modified());
    EXPECT_FALSE(rows.SQL().Active());
    EXPECT_EQ(Stored(), QStringList{QStringLiteral("1 Ann")});

    sent.clear();
    row->setModified(true);
    rows.Save(row);
    EXPECT_EQ(Sent(), "select * from") << "nothing changed";
    EXPECT_FALSE(row->Modified());

    row->Name = QStringLiteral("Anna");
    rows.Save(row);
    EXPECT_EQ(Sent(), "select * from; update \"TEST_ROWS\" set");
    EXPECT_EQ(Stored(), QStringList{QStringLiteral("1 Anna")});
    EXPECT_EQ(LastKey(), 1) << "an update keeps its key";
}

TEST_F(DBComponentTest, AFailedSaveLeavesNothingPendingAndTheQueryClosed) {
    Exec(QStringLiteral("insert into TEST_ROWS (ROW_ID, ROW_NAME) values (7, 'Bo')"));
    TqeltestRows rows(database.get());
    for (const int32_t key : {0, 7}) {
        SCOPED_TRACE(key);
        TqeltestRow* row = rows.AddVaruza();
        row->RowId = key;
        row->Name = QStringLiteral("Changed");
        row->FailWriting = true;
        row->setModified(true);
        EXPECT_THROW(rows.Save(row), EConvertError);
        EXPECT_FALSE(rows.SQL().Active());
        EXPECT_TRUE(row->Modified());
        EXPECT_EQ(Stored(), QStringList{QStringLiteral("7 Bo")});
    }

    // A key that selects two records overwrites neither.
    Exec(QStringLiteral("insert into TEST_ROWS (ROW_ID, ROW_NAME) values (8, 'bo')"));
    TqeltestRow* byName = rows.AddVaruza();
    byName->SaveByName = true;
    byName->Name = QStringLiteral("BO");
    EXPECT_THROW(rows.Save(byName), EDatabaseError);
    EXPECT_FALSE(rows.SQL().Active());
    EXPECT_EQ(Stored(), (QStringList{QStringLiteral("7 Bo"), QStringLiteral("8 bo")}));

    // The accessor is still usable.
    TqeltestRow* good = rows.AddVaruza();
    good->Name = QStringLiteral("Cy");
    rows.Save(good);
    EXPECT_EQ(Stored().size(), 3);
}

TEST_F(DBComponentTest, InsertAppendsToTheOpenQuery) {
    TqeltestRows rows(database.get());
    rows.SQL().setText(QStringLiteral("select * from TEST_ROWS where 0=1"));
    rows.SQL().Open();
    auto first = rows.NewVaruza();
    first->Name = QStringLiteral("Di");
    first->setModified(true);
    rows.Insert(first.get());
    EXPECT_EQ(first->RowId, 1);
    EXPECT_FALSE(first->Modified());

    auto broken = rows.NewVaruza();
    broken->FailWriting = true;
    EXPECT_THROW(rows.Insert(broken.get()), EConvertError);
    EXPECT_EQ(rows.SQL().State(), DataSetState::Browse);
    EXPECT_TRUE(rows.SQL().Active()) << "insert leaves the query to its caller";
    EXPECT_EQ(Stored(), QStringList{QStringLiteral("1 Di")});
    EXPECT_EQ(rows.Count(), 0) << "rows made apart from the list stay apart";
}

TEST_F(DBComponentTest, OpenListFillsTheListItIsGiven) {
    const QUuid guid = QUuid::createUuid();
    Exec(QStringLiteral("insert into TEST_ROWS values (1, 'Ann', '%1'), (2, 'Bo', null), "
                        "(3, 'Cy', null)")
             .arg(qel::GuidToString(guid)));
    TqeltestRows rows(database.get());
    rows.SQL().setText(QStringLiteral("select * from TEST_ROWS order by ROW_ID"));
    rows.OpenList();
    ASSERT_EQ(rows.Count(), 3);
    EXPECT_TRUE(rows.SQL().Active());
    EXPECT_EQ(rows.Varuzas(0)->GUID(), guid);
    EXPECT_EQ(rows.GetVaruzas(2)->Name, QStringLiteral("Cy"));
    EXPECT_FALSE(rows.GetVaruzas(2)->Modified());
    EXPECT_NE(rows.GetVaruzas(1)->GUID(), rows.GetVaruzas(2)->GUID());
    EXPECT_FALSE(rows.GetVaruzas(1)->GUID().isNull());
    for (const int index : {-1, 3}) {
        EXPECT_THROW(rows.GetVaruzas(index), EArgumentOutOfRangeException) << index;
    }

    TqeltestRows::TVaruzaList other;
    rows.SQL().setText(QStringLiteral("select * from TEST_ROWS where ROW_ID = 2"));
    rows.OpenList(&other);
    ASSERT_EQ(other.size(), 1u);
    EXPECT_EQ(other[0]->Name, QStringLiteral("Bo"));
    EXPECT_EQ(rows.Count(), 3) << "the own list stays as it was";

    rows.SQL().setText(QStringLiteral("select * from TEST_ROWS where 0=1"));
    rows.OpenList(&other);
    EXPECT_TRUE(other.empty());
    rows.OpenList();
    EXPECT_EQ(rows.Count(), 0);
}

TEST_F(DBComponentTest, GetByGUIDFindsTheLastMatch) {
    TqeltestRows rows(database.get());
    EXPECT_EQ(rows.GetByGUID(QStringLiteral("not a guid")), nullptr) << "nothing to compare";
    TqeltestRow* first = rows.AddVaruza();
    TqeltestRow* second = rows.AddVaruza();
    TqeltestRow* third = rows.AddVaruza();
    second->setGUID(first->GUID());
    const QString text = qel::GuidToString(first->GUID());
    EXPECT_EQ(rows.GetByGUID(text), second);
    EXPECT_EQ(rows.GetByGUID(text.toLower()), second);
    EXPECT_EQ(rows.GetByGUID(qel::GuidToString(third->GUID())), third);
    EXPECT_EQ(rows.GetByGUID(qel::GuidToString(QUuid::createUuid())), nullptr);
    EXPECT_EQ(rows.GetByGUID(QString()), nullptr);
    EXPECT_THROW(rows.GetByGUID(QStringLiteral("not a guid")), EConvertError);
}

TEST_F(DBComponentTest, DeleteRemovesOnlyRowsOfTheOwnList) {
    Exec(
        QStringLiteral("insert into TEST_ROWS (ROW_ID, ROW_NAME) values (1, 'Ann'), (2, 'Bo'), "
                       "(3, 'Cy')"));
    TqeltestRows rows(database.get());
    rows.SQL().setText(QStringLiteral("select * from TEST_ROWS order by ROW_ID"));
    rows.OpenList();
    ASSERT_EQ(rows.Count(), 3);

    rows.Delete(nullptr);
    try {
        rows.Delete(rows.GetVaruzas(0));
        ADD_FAILURE() << "a row class without a delete must refuse";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Delete not implemented"));
    }
    EXPECT_EQ(rows.Count(), 3);

    rows.GetVaruzas(0)->CanDelete = true;
    rows.Delete(rows.GetVaruzas(0));
    EXPECT_EQ(rows.Count(), 2);
    EXPECT_EQ(rows.GetVaruzas(0)->Name, QStringLiteral("Bo"));

    auto outside = rows.NewVaruza();
    outside->RowId = 3;
    outside->CanDelete = true;
    rows.Delete(outside.get());
    EXPECT_EQ(outside->RowId, 3) << "still the caller's";
    EXPECT_EQ(rows.Count(), 2);
    EXPECT_EQ(Stored(), QStringList{QStringLiteral("2 Bo")});

    rows.ClearList();
    EXPECT_EQ(rows.Count(), 0);
}

TEST_F(DBComponentTest, SingleRowAccessorOpensByTheClassAndLeavesModifiedAlone) {
    Exec(
        QStringLiteral("insert into TEST_ROWS (ROW_ID, ROW_NAME) values (101, 'Ann'), "
                       "(102, 'Cy'), (103, 'Bo')"));
    TqelDatabaseVaruza accessor(database.get());
    accessor.Open(TqelDBComponentClass::Of<TqeltestRow>());
    QStringList names;
    for (; !accessor.SQL().Eof(); accessor.SQL().Next()) {
        names << accessor.SQL().GetFieldAsString(QStringLiteral("ROW_NAME"));
    }
    EXPECT_EQ(names,
              (QStringList{QStringLiteral("Cy"), QStringLiteral("Bo"), QStringLiteral("Ann")}));
    accessor.Close();
    EXPECT_FALSE(accessor.SQL().Active());

    const std::unique_ptr<TqelDBComponent> created =
        TqelDBComponentClass::Of<TqeltestRow>().Create(database.get());
    auto& row = dynamic_cast<TqeltestRow&>(*created);
    row.Name = QStringLiteral("Di");
    row.setModified(true);
    accessor.Save(&row);
    EXPECT_EQ(row.RowId, 1);
    EXPECT_TRUE(row.Modified());
    row.Name = QStringLiteral("Dee");
    accessor.Save(&row);
    EXPECT_TRUE(row.Modified());
    EXPECT_EQ(LastKey(), 1);

    accessor.SQL().setText(QStringLiteral("select * from TEST_ROWS where 0=1"));
    accessor.SQL().Open();
    TqeltestRow appended(database.get());
    appended.Name = QStringLiteral("Ed");
    appended.setModified(true);
    accessor.Insert(&appended);
    EXPECT_EQ(appended.RowId, 2);
    EXPECT_TRUE(appended.Modified());

    row.CanDelete = true;
    row.RowId = 102;
    accessor.Delete(&row);
    EXPECT_EQ(Stored(), (QStringList{QStringLiteral("1 Dee"), QStringLiteral("2 Ed"),
                                     QStringLiteral("101 Ann"), QStringLiteral("103 Bo")}));
}

TEST_F(DBComponentTest, RowsForgetADatabaseThatIsGone) {
    std::unique_ptr<TqeltestRow> row;
    {
        TqeltestRows rows(database.get());
        row = rows.NewVaruza();
    }
    EXPECT_EQ(row->Owner(), database.get());
    database.reset();
    EXPECT_EQ(row->Owner(), nullptr);
}

TEST_F(DBComponentTest, ASaveIsOneTransactionOrPartOfTheCallers) {
    Exec(
        QStringLiteral("create trigger REFUSE_BAD before insert on TEST_ROWS when new.ROW_NAME = "
                       "'Bad' begin select raise(abort, 'refused'); end"));
    TqeltestRows rows(database.get());
    TqeltestRow* bad = rows.AddVaruza();
    bad->Name = QStringLiteral("Bad");
    EXPECT_THROW(rows.Save(bad), EProviderError);
    EXPECT_EQ(LastKey(), 0) << "the key drawn went with the insert";
    EXPECT_TRUE(Stored().isEmpty());
    EXPECT_FALSE(database->Connection()->InTransaction());

    // The next row gets the key given back; the failed one, saved again, does not take that row.
    TqeltestRow* ann = rows.AddVaruza();
    ann->Name = QStringLiteral("Ann");
    rows.Save(ann);
    EXPECT_EQ(ann->RowId, 1);
    bad->Name = QStringLiteral("Bo");
    rows.Save(bad);
    EXPECT_EQ(Stored(), (QStringList{QStringLiteral("1 Ann"), QStringLiteral("2 Bo")}));

    // Inside the caller's transaction a save joins it, and goes with it.
    TqeltestRow* cy = rows.AddVaruza();
    cy->Name = QStringLiteral("Cy");
    TqeltestRow* worse = rows.AddVaruza();
    worse->Name = QStringLiteral("Bad");
    EXPECT_THROW(qel::RunInTransaction(*database,
                                       [&] {
                                           rows.Save(cy);
                                           EXPECT_TRUE(database->Connection()->InTransaction());
                                           rows.Save(worse);
                                       }),
                 EProviderError);
    EXPECT_EQ(LastKey(), 2);
    EXPECT_EQ(Stored().size(), 2);
}
