#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "foundation/position_records.h"
#include "foundation/shared_enums.h"
#include "platform/date_time.h"

class TqelAntennaList;
class TqelFieldSettings;
class TqelMeasurementSystem;
class TqelShowTextDialog;

// What a measurement-system driver reports to its owner (the measurement control). log,
// status, error and stateChanged arrive as queued deliveries on the main thread; the texts of
// log, status and error carry the field's name, "- " and the message.
class IqelMeasurementSystemCallback {
public:
    virtual ~IqelMeasurementSystemCallback() = default;

    virtual void log(TqelMeasurementSystem* aSender, const QString& aText) = 0;
    virtual void status(TqelMeasurementSystem* aSender, int32_t aMessageID,
                        const QString& aText) = 0;
    virtual void error(TqelMeasurementSystem* aSender, int32_t aMessageID,
                       const QString& aText) = 0;
    virtual void stateChanged(TqelMeasurementSystem* aSender, TqelStartupSequence aState) = 0;
    // Every decoded position, on the thread that decoded it (the main thread). The record is
    // the driver's: the owner copies what it keeps.
    virtual void positionReceived(TqelMeasurementSystem* aSender,
                                  const RqelPositionRec& aPosition) = 0;
    virtual void event(TqelMeasurementSystem* aSender, uint8_t anEventCode, int32_t aParameter) = 0;
    // The system-wide antenna list, or nullptr; it outlives the driver.
    virtual TqelAntennaList* getAntennaList() = 0;
};

// One base station of a measurement system, with the running average of its signal values.
// Main thread only (the driver that owns it).
class TBaseStation {
public:
    uint8_t DBValue() const { return FDBValue; }
    // A non-zero value also stamps LastDBValueReceived; every value, 0 included, enters the
    // average.
    void setDBValue(uint8_t aValue);
    // The running average rounded half to even; 0 before any value.
    uint8_t AvgDBValue() const;
    uint8_t NormValue() const { return FNormValue; }
    // Restarts the running average from the norm value.
    void setNormValue(uint8_t aValue);
    int32_t FilterCount() const { return FFilterCount; }
    TDateTime LastDBValueReceived() const { return FLastDBReceived; }

    int32_t HUBid = 0;
    int32_t PortID = 0;
    QString IPAddress;
    int32_t XinMM = 0;
    int32_t YinMM = 0;
    int32_t ZinMM = 0;
    bool Failed = false;
    bool NormValueSet = false;

private:
    uint8_t FDBValue = 0;
    double FFilterdDBValue = 0;
    int32_t FFilterCount = 0;
    uint8_t FNormValue = 0;
    TDateTime FLastDBReceived = 0;
};

// The base of every measurement-system driver. It keeps what all drivers share and fixes how
// a driver reports: LogMessage, StatusMessage, ErrorMessage and StateChanged record the last
// value at once on the calling thread and deliver to the log and the owner later on the main
// thread, in call order per thread. The driver is the context of those deliveries, so one
// still queued when the driver is freed is dropped.
//
// Threads: the driver lives on the main thread; the reporting operations and the Last*
// getters may be called from any thread, FLastLock guards the last values. Everything else
// (callback, field, base stations, log) belongs to the main thread.
class TqelMeasurementSystem : public QObject {
    Q_OBJECT

public:
    explicit TqelMeasurementSystem(QObject* aParent = nullptr);
    // Frees the log, then the base stations.
    ~TqelMeasurementSystem() override;
    TqelMeasurementSystem(const TqelMeasurementSystem&) = delete;
    TqelMeasurementSystem& operator=(const TqelMeasurementSystem&) = delete;

    // Passes the event to the owner's event when a callback is set.
    virtual void SystemEvent(uint8_t anEventCode, int32_t aParameter);
    // Non-owning; the owner keeps the settings alive while the driver runs.
    virtual void SetField(TqelFieldSettings* aField);
    TqelFieldSettings* Field() const { return FField; }

    virtual void ActivateTransponder(uint16_t anAntennaID) = 0;
    virtual void DeactivateTransponder(uint16_t anAntennaID) = 0;
    virtual void BaseStationsSetNormValues() {}
    virtual void Stop() = 0;
    // Sizes aPositions to the base stations; record i gets station i's identity
    // (HUBid * 100 + PortID) as its time stamp and its position. Returns the count.
    virtual int32_t GetBaseStationsPos(TqelArrayOfPositionRec& aPositions);
    virtual TqelStartupSequence GetStartUpSequenceInternal() = 0;
    virtual void SetTransponderIni(const QString& aText) {}
    virtual void StartDataLogging() = 0;
    virtual void Initialize() = 0;
    virtual void Startup(bool aSendTransponderState);
    virtual void StopDataLogging() = 0;
    virtual void StopMeasurement() = 0;
    // Counters of the data link, shown by the operator interface.
    virtual int32_t MeasurementFrequency() = 0;
    virtual int32_t ReceivingError() = 0;
    virtual int32_t PacketLengthDifferent() = 0;
    virtual int32_t MissedPackets() = 0;
    virtual int32_t NotWholePackedReaded() = 0;

    IqelMeasurementSystemCallback* CallBack() const { return FCallback; }
    void setCallBack(IqelMeasurementSystemCallback* aValue) { FCallback = aValue; }
    int32_t BaseStationsFailed() const { return FBaseStationsFailed; }
    TqelStartupSequence StartUpSequence() { return GetStartUpSequenceInternal(); }
    int32_t FirstMeasurementTimestampMS() const { return FFirstMeasurementTimestampMS; }

    // Takes ownership.
    void BaseStationAdd(std::unique_ptr<TBaseStation> aBaseStation);
    int32_t BaseStationCount() const { return static_cast<int32_t>(FBaseStations.size()); }
    // Raises EArgumentOutOfRangeException outside the list.
    TBaseStation* GetBaseStation(int32_t anIndex) const;
    void BaseStationsClear();

    QString LastMessage() const;
    QString LastStatus() const;
    QString LastError() const;
    TqelStartupSequence LastState() const;

    // The driver's own log ("Field Connection log"), for a view to show.
    TqelShowTextDialog* MeasurementSystemLog() const { return FMeasurementSystemLog.get(); }
    // Asks a view of the log to show it.
    void ShowLog();

    // Reporting, from any thread.
    void LogMessage(const QString& aText);
    void StatusMessage(int32_t aMessageID, const QString& aText);
    void ErrorMessage(int32_t aMessageID, const QString& aText);
    void StateChanged(TqelStartupSequence aState);

protected:
    // Maintained by the drivers on the main thread.
    int32_t FBaseStationsFailed = 0;
    int32_t FFirstMeasurementTimestampMS = 0;

private:
    using NumberedCall = void (IqelMeasurementSystemCallback::*)(TqelMeasurementSystem*, int32_t,
                                                                 const QString&);

    // StatusMessage and ErrorMessage: record aText in aLast, deliver it to the log with
    // aLogPrefix and to the owner through aCall.
    void NumberedReport(QString TqelMeasurementSystem::*aLast, const QString& aLogPrefix,
                        NumberedCall aCall, int32_t aMessageID, const QString& aText);
    // The field's name and "- "; only "- " without a field.
    QString FieldPrefixed(const QString& aText) const;
    void AddToLog(const QString& aText);

    IqelMeasurementSystemCallback* FCallback = nullptr;
    TqelFieldSettings* FField = nullptr;
    std::vector<std::unique_ptr<TBaseStation>> FBaseStations;

    mutable std::mutex FLastLock;
    QString FLastMessage;
    QString FLastStatus;
    QString FLastError;
    TqelStartupSequence FLastState = startNone;

    // Declared last: freed before the base stations.
    std::unique_ptr<TqelShowTextDialog> FMeasurementSystemLog;
};
