#include <gtest/gtest.h>

#include <QFile>

#include "database/datasets/dataset_rows.h"
#include "database/sqlite_file_fixture.h"
#include "platform/guid_text.h"

namespace {

class DatasetRowsTest : public qel::test::SqliteFileTest {
protected:
    // A live recording's first row.
    static void FillLiveRow(TqeldbDataset& aRow, int32_t aDtsID) {
        aRow.setDtsID(aDtsID);
        aRow.setGUID(QUuid::createUuid());
        aRow.setFileName(QStringLiteral("Livedata"));
        aRow.setRecordDate(EncodeDateTime(2026, 3, 5, 13, 7, 10, 0));
        aRow.setLiveData(true);
        aRow.setRecording(true);
        aRow.setPowerFactor(1.5);
        aRow.setStorePositionInterval(100);
        aRow.setFirstLPMtime(123456);
    }
};

class FakeDatasetKey : public IqeldbDatasetKey {
public:
    int32_t GetDBDtsID() override { return Key; }
    void SetDBDtsID(int32_t Value) override {
        Key = Value;
        ++Calls;
    }
    int32_t Key = 0;
    int Calls = 0;
};

TEST_F(DatasetRowsTest, FirstSaveInsertsAndAnUnchangedSecondPostsNothing) {
    TqeldbDatasets datasets(database.get());
    TqeldbDataset row;
    FillLiveRow(row, 1000);
    ResetWriteCount();
    datasets.Save(&row);
    EXPECT_EQ(WriteCount(), 1);
    // Required columns hold 0, plain ones NULL.
    EXPECT_EQ(Rows(QStringLiteral(
                  "select DTS_ID, DTS_FILE_LOCATION, DT_ID, DTS_POWERFACTOR, DSC_ID, "
                  "DTS_MAX_POWER_WKG, TEAM_ID, DTS_LIVEDATA, DTS_RECORDING, DTS_POSITION_INTERVAL, "
                  "DTS_FIRST_LPM_TIME_MS from DATASETS")),
              QStringList{QStringLiteral("1000 Livedata 0 1.5 0 0 - True True 100 123456")});

    datasets.Save(&row);
    EXPECT_EQ(WriteCount(), 1);

    row.setRecording(false);
    datasets.Save(&row);
    EXPECT_EQ(WriteCount(), 2);

    const TqeldbDataset* stored = datasets.Open(1000);
    ASSERT_NE(stored, nullptr);
    EXPECT_FALSE(stored->Recording());
    EXPECT_TRUE(stored->LiveData());
    EXPECT_EQ(stored->GUID(), row.GUID());
    EXPECT_EQ(stored->RecordDate(), row.RecordDate());
    EXPECT_EQ(stored->FileName(), QStringLiteral("Livedata"));
    EXPECT_EQ(stored->StorePositionInterval(), 100);
    EXPECT_EQ(stored->FirstLPMtime(), 123456);
    EXPECT_EQ(stored->PowerFactor(), 0) << "written, never read back";
    EXPECT_FALSE(stored->Modified());
}

TEST_F(DatasetRowsTest, ListQueries) {
    Exec(
        QStringLiteral("insert into DATASETS (DTS_ID, DTS_LIVEDATA, DT_ID, TEAM_ID) values "
                       "(5, 1, 2, 7), (9, 1, null, null), (12, 0, null, null)"));
    Exec(QStringLiteral("insert into DATASET_TYPES values (2, 'Match')"));
    Exec(QStringLiteral("insert into TEAMS (TEAM_ID, TEAM_NAME) values (7, 'Blue')"));
    Exec(QStringLiteral("insert into TP_AGILITY (TG_ID, DTS_ID) values (1, 5), (2, 5)"));
    Exec(QStringLiteral("insert into TP_ANALYZED (TA_ID, DTS_ID) values (1, 5)"));
    TqeldbDatasets datasets(database.get());

    datasets.Find(0);
    EXPECT_EQ(datasets.Count(), 3);
    datasets.Find(9);
    ASSERT_EQ(datasets.Count(), 1);
    EXPECT_EQ(datasets.Datasets(0)->DtsID(), 9);
    EXPECT_THROW(datasets.GetDataSet(1), EArgumentOutOfRangeException);

    EXPECT_EQ(datasets.Open(77), nullptr);
    EXPECT_EQ(datasets.Count(), 0);

    datasets.GetAllDatasets();
    ASSERT_EQ(datasets.Count(), 3);
    const TqeldbDataset* five = datasets.Locate(5);
    ASSERT_NE(five, nullptr);
    EXPECT_EQ(five->Agility(), 2);
    EXPECT_EQ(five->Exertion(), 1);
    EXPECT_EQ(five->DataSetTypeText(), QStringLiteral("Match"));
    EXPECT_EQ(five->TeamName(), QStringLiteral("Blue"));
    EXPECT_EQ(datasets.Locate(12)->Agility(), 0);
    EXPECT_EQ(datasets.Locate(13), nullptr);

    std::unique_ptr<TqeldbDataset> last;
    EXPECT_EQ(datasets.LastDatasetID(last), 9);
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->DtsID(), 9);
    EXPECT_EQ(datasets.LastDatasetID(), 9);

    datasets.Delete(datasets.Locate(5));
    EXPECT_EQ(datasets.Locate(5), nullptr);
    EXPECT_EQ(datasets.Count(), 2);
    EXPECT_EQ(Rows(QStringLiteral("select DTS_ID from DATASETS order by DTS_ID")),
              (QStringList{QStringLiteral("9"), QStringLiteral("12")}));
    EXPECT_EQ(Rows(QStringLiteral("select count(*) from TP_AGILITY")),
              QStringList{QStringLiteral("2")})
        << "dependent rows stay";

    Exec(QStringLiteral("update DATASETS set DTS_LIVEDATA = 0"));
    EXPECT_EQ(datasets.LastDatasetID(last), 0);
    EXPECT_EQ(last, nullptr);
    EXPECT_EQ(datasets.LastDatasetID(), 0);
}

TEST_F(DatasetRowsTest, DuplicatedFilename) {
    const QString existing = folder.file(QStringLiteral("Match.qel"));
    QFile file(existing);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    TqeldbDatasets datasets(database.get());
    datasets.AddDataset()->setDtsID(1);
    datasets.Datasets(0)->setFileName(existing);
    datasets.AddDataset()->setDtsID(2);
    datasets.Datasets(1)->setFileName(folder.file(QStringLiteral("gone.qel")));
    datasets.AddDataset()->setDtsID(3);
    datasets.Datasets(2)->setFileName(QStringLiteral("C:\\Data\\Cup.QEL"));
    EXPECT_EQ(datasets.Datasets(2)->FilenameOnly(), QStringLiteral("cup.qel"));

    const struct {
        int32_t OwnKey;
        const char* Name;
        bool Expected;
    } cases[] = {
        {5, "match.qel", true}, {1, "match.qel", false}, {5, "MATCH.QEL", false},
        {5, "gone.qel", false}, {5, "cup.qel", false},   {5, "", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(datasets.DuplicatedFilename(c.OwnKey, QString::fromUtf8(c.Name)), c.Expected)
            << c.OwnKey << " " << c.Name;
    }
}

TEST_F(DatasetRowsTest, SingleColumnUpdates) {
    Exec(QStringLiteral("insert into DATASETS (DTS_ID, DTS_RECORDING) values (4, 1)"));
    TqeldbDatasets datasets(database.get());
    EXPECT_FALSE(datasets.UpdateRecording(99, false));
    EXPECT_TRUE(datasets.UpdateRecording(4, false));
    EXPECT_TRUE(datasets.UpdateFirstLPMTime(4, 777));
    EXPECT_TRUE(datasets.UpdateFileLocation(4, QStringLiteral("D:\\a.qel")));
    EXPECT_EQ(Rows(QStringLiteral(
                  "select DTS_RECORDING, DTS_FIRST_LPM_TIME_MS, DTS_FILE_LOCATION from DATASETS")),
              QStringList{QStringLiteral("False 777 D:\\a.qel")});
}

TEST_F(DatasetRowsTest, AMalformedGuidLoadsTheRestOfTheRow) {
    Exec(
        QStringLiteral("insert into DATASETS (DTS_ID, DTS_GUID, DTS_FILE_LOCATION, TEAM_ID) "
                       "values (3, '{not-a-guid}', 'x.qel', 8)"));
    TqeldbDatasets datasets(database.get());
    const TqeldbDataset* row = datasets.Open(3);
    ASSERT_NE(row, nullptr);
    EXPECT_TRUE(row->GUID().isNull());
    EXPECT_EQ(row->FileName(), QStringLiteral("x.qel"));
    EXPECT_EQ(row->TeamID(), 8);
}

TEST_F(DatasetRowsTest, ANewKeyReachesTheLinkedDataset) {
    FakeDatasetKey dataset;
    dataset.Key = 10;
    TqeldbDataset row;
    row.setDataset(&dataset);
    row.setDtsID(10);
    EXPECT_EQ(dataset.Calls, 0) << "same key";
    row.setDtsID(11);
    EXPECT_EQ(dataset.Key, 11);
    EXPECT_EQ(dataset.Calls, 1);
    EXPECT_TRUE(row.Modified());

    // Assign takes the key and settings, not the GUID or the link.
    TqeldbDataset copy;
    copy.Assign(row);
    EXPECT_EQ(copy.DtsID(), 11);
    EXPECT_EQ(copy.Dataset(), nullptr);
    row.setStorePositionInterval(40);
    row.setModified(false);
    row.setStorePositionInterval(50);
    EXPECT_FALSE(row.Modified()) << "the store interval leaves Modified alone";
}

}  // namespace
