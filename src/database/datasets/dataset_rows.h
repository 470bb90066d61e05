#pragma once

#include <QString>
#include <QUuid>
#include <cstdint>
#include <memory>
#include <vector>

#include "database/database.h"
#include "database/tracked_row.h"
#include "platform/date_time.h"

// What a DATASETS row needs of the tracking dataset it mirrors: the dataset's database key.
// Implemented by the data model; the row only points at it.
class IqeldbDatasetKey {
public:
    virtual ~IqeldbDatasetKey() = default;
    virtual int32_t GetDBDtsID() = 0;
    virtual void SetDBDtsID(int32_t Value) = 0;
};

// One DATASETS row in memory (a plain object, not a persistent row). The setters of stored
// values mark it modified when the value changes.
class TqeldbDataset : public qel::TrackedValues {
public:
    TqeldbDataset() = default;
    TqeldbDataset(const TqeldbDataset&) = delete;
    TqeldbDataset& operator=(const TqeldbDataset&) = delete;

    // The lower-case file name without its folder. Client programs on Windows store Windows
    // paths, so both "\" and "/" end a folder.
    const QString& FilenameOnly() const;
    const QString& FileName() const { return FFileName; }
    void setFileName(const QString& aValue);
    int32_t DtsID() const { return FDtsID; }
    // Also hands a new key to the linked tracking dataset when its key differs.
    void setDtsID(int32_t aValue);
    TDateTime RecordDate() const { return FRecordDate; }
    void setRecordDate(TDateTime aValue) { Store(FRecordDate, aValue); }
    int32_t TeamID() const { return FTeamID; }
    void setTeamID(int32_t aValue) { Store(FTeamID, aValue); }
    int32_t DatasetType() const { return FDatasetType; }
    void setDatasetType(int32_t aValue) { Store(FDatasetType, aValue); }
    // Written, never read back.
    double PowerFactor() const { return FPowerFactor; }
    void setPowerFactor(double aValue) { Store(FPowerFactor, aValue); }
    // Rows of TP_ANALYZED and TP_AGILITY of the dataset; filled by GetAllDatasets only.
    int32_t Exertion() const { return FExertion; }
    void setExertion(int32_t aValue) { Store(FExertion, aValue); }
    int32_t Agility() const { return FAgility; }
    void setAgility(int32_t aValue) { Store(FAgility, aValue); }
    // DATASET_TYPES.DT_DESCRIPTION and TEAMS.TEAM_NAME; filled by GetAllDatasets only.
    const QString& DataSetTypeText() const { return FDataSetTypeText; }
    void setDataSetTypeText(const QString& aValue) { Store(FDataSetTypeText, aValue); }
    const QString& TeamName() const { return FTeamName; }
    void setTeamName(const QString& aValue) { Store(FTeamName, aValue); }
    double MaxPowerWKG() const { return FMaxPowerWKG; }
    void setMaxPowerWKG(double aValue) { Store(FMaxPowerWKG, aValue); }
    int32_t SpeedFrameInterval() const { return FSpeedFrameInterval; }
    void setSpeedFrameInterval(int32_t aValue) { Store(FSpeedFrameInterval, aValue); }
    int32_t PositionSensitivity() const { return FPositionSensitivity; }
    void setPositionSensitivity(int32_t aValue) { Store(FPositionSensitivity, aValue); }
    // TqelPositionAlgorithm.
    int32_t Positionfilter() const { return FPositionfilter; }
    void setPositionfilter(int32_t aValue) { Store(FPositionfilter, aValue); }
    int32_t HeartbeatSensitivity() const { return FHeartbeatSensitivity; }
    void setHeartbeatSensitivity(int32_t aValue) { Store(FHeartbeatSensitivity, aValue); }
    int32_t HeartbeatFrameInterval() const { return FHeartbeatFrameInterval; }
    void setHeartbeatFrameInterval(int32_t aValue) { Store(FHeartbeatFrameInterval, aValue); }
    int32_t AccelFrameInterval() const { return FAccelFrameInterval; }
    void setAccelFrameInterval(int32_t aValue) { Store(FAccelFrameInterval, aValue); }
    bool LiveData() const { return FLiveData; }
    void setLiveData(bool aValue) { Store(FLiveData, aValue); }
    int32_t FirstLPMtime() const { return FFirstLPMtime; }
    void setFirstLPMtime(int32_t aValue) { Store(FFirstLPMtime, aValue); }
    bool Recording() const { return FRecording; }
    void setRecording(bool aValue) { Store(FRecording, aValue); }
    // Leaves Modified alone.
    int32_t StorePositionInterval() const { return FStorePositionInterval; }
    void setStorePositionInterval(int32_t aValue) { FStorePositionInterval = aValue; }
    const QUuid& GUID() const { return FGUID; }
    void setGUID(const QUuid& aValue) { Store(FGUID, aValue); }
    // The tracking dataset the row mirrors, not owned; none unless a caller links one.
    IqeldbDatasetKey* Dataset() const { return FDataset; }
    void setDataset(IqeldbDatasetKey* aValue) { FDataset = aValue; }
    int32_t Datasource() const { return FDatasource; }
    void setDatasource(int32_t aValue) { Store(FDatasource, aValue); }
    // A caller's bookkeeping.
    int32_t FileExists() const { return FFileExists; }
    void setFileExists(int32_t aValue) { FFileExists = aValue; }
    int32_t DuplicatedFile() const { return FDuplicatedFile; }
    void setDuplicatedFile(int32_t aValue) { FDuplicatedFile = aValue; }
    const QString& TeamExternalID() const { return FTeamExternalID; }
    void setTeamExternalID(const QString& aValue) { Store(FTeamExternalID, aValue); }

    // Copies the stored settings; not the GUID, the dataset type, the texts and counts of the
    // full list, the bookkeeping or the link.
    void Assign(const TqeldbDataset& aValue);

private:
    mutable QString FFilenameOnly;
    QString FFileName;
    int32_t FDtsID = 0;
    TDateTime FRecordDate = 0;
    int32_t FTeamID = 0;
    int32_t FDatasetType = 0;
    double FPowerFactor = 0;
    int32_t FExertion = 0;
    int32_t FAgility = 0;
    QString FDataSetTypeText;
    QString FTeamName;
    double FMaxPowerWKG = 0;
    int32_t FSpeedFrameInterval = 0;
    int32_t FPositionSensitivity = 0;
    int32_t FPositionfilter = 0;
    int32_t FHeartbeatSensitivity = 0;
    int32_t FHeartbeatFrameInterval = 0;
    int32_t FAccelFrameInterval = 0;
    bool FLiveData = false;
    int32_t FFirstLPMtime = 0;
    bool FRecording = false;
    int32_t FStorePositionInterval = 0;
    QUuid FGUID;
    IqeldbDatasetKey* FDataset = nullptr;
    int32_t FDatasource = 0;
    int32_t FFileExists = 0;
    int32_t FDuplicatedFile = 0;
    QString FTeamExternalID;
};

// The DATASETS accessor: list queries, the last live dataset, the upsert of one row, its delete
// (dependent rows stay: TqeldbDatasetAnalyzing removes a dataset completely) and three
// single-column updates. Made without a database it holds no query and must not be used.
//
// Belongs to the thread of its database.
class TqeldbDatasets {
public:
    explicit TqeldbDatasets(TqelDatabase* aDatabase);
    ~TqeldbDatasets();
    TqeldbDatasets(const TqeldbDatasets&) = delete;
    TqeldbDatasets& operator=(const TqeldbDatasets&) = delete;

    // Inserts the row when its key is missing, else updates what differs; posts nothing when
    // nothing does. The query is closed afterwards.
    void Save(TqeldbDataset* aDataSet);
    // Replaces the list with the dataset of that key, or with every dataset for 0.
    void Find(int32_t aDtsID);
    // Replaces the list with every dataset, with its type text, team name and result counts.
    void GetAllDatasets();
    // Replaces the list with the dataset of that key and returns it; null when there is none.
    TqeldbDataset* Open(int32_t aDtsID);
    // The key of the newest dataset with live data (0 when none), and that row for the caller.
    int32_t LastDatasetID(std::unique_ptr<TqeldbDataset>& aDts);
    int32_t LastDatasetID();

    TqeldbDataset* Locate(int32_t aDtsID) const;
    // Raises EArgumentOutOfRangeException outside the list.
    TqeldbDataset* GetDataSet(int aIndex) const;
    TqeldbDataset* Datasets(int aIndex) const { return GetDataSet(aIndex); }
    int Count() const { return static_cast<int>(FDatasets.size()); }
    void Close() { FDatasets.clear(); }
    TqeldbDataset* AddDataset();

    // Whether a listed dataset of another key has the file name aFilenameOnly (lower case)
    // and its file exists on disk. False for an empty name.
    bool DuplicatedFilename(int32_t aOwnDtsId, const QString& aFilenameOnly) const;
    // Deletes the DATASETS row only, then drops the object from the list.
    void Delete(TqeldbDataset* aDataSet);
    // True when a row changed.
    bool UpdateFileLocation(int32_t aDtsID, const QString& aFilename);
    bool UpdateFirstLPMTime(int32_t aDtsID, int32_t aLPMTimeMS);
    bool UpdateRecording(int32_t aDtsID, bool aRecording);

private:
    TqelQuery& Query() const;
    void DatasetToRow(const TqeldbDataset& aDataSet);
    void RowToDataset(TqeldbDataset& aDataSet);
    // Opens the prepared statement and lists one dataset per row; the query is closed after.
    void LoadList();
    bool UpdateColumn(const QString& aSql, int32_t aDtsID, const QString& aColumn,
                      const QVariant& aValue);

    TqelDatabase* FDatabase;
    std::unique_ptr<TqelQuery> FSQL;
    std::vector<std::unique_ptr<TqeldbDataset>> FDatasets;
};
