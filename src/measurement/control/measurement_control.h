#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <vector>

#include "foundation/position_records.h"
#include "foundation/shared_enums.h"
#include "measurement/control/measurement_control_interface.h"
#include "measurement/control/measurement_system_factory.h"
#include "measurement/drivers/measurement_system.h"

class QTimer;
class TqelAntennaList;
class TqelFieldSettings;
class TqelPrepareRecording;

// The owner of the measurement control (the main window). A system index is the reporting
// driver's place in the control's list, -1 for the control's own lines or a driver not listed.
// Called on the main thread.
class IqelMeasurementControlCallBack {
public:
    virtual ~IqelMeasurementControlCallBack() = default;

    virtual void log(int32_t aSystemIndex, const QString& aText) = 0;
    virtual void status(int32_t aSystemIndex, int32_t aMessageID, const QString& aText) = 0;
    virtual void error(int32_t aSystemIndex, int32_t aMessageID, const QString& aText) = 0;
    virtual void stateChanged(int32_t aSystemIndex, TqelStartupSequence aState) = 0;
    virtual void event(TqelMeasurementSystem* aSender, uint8_t anEventCode, int32_t aParameter) = 0;
    // Every position while data receiving is on, in the base field's coordinates. The record is
    // the control's: the owner copies what it keeps.
    virtual void positionReceived(IqelMeasurementControl* aControl,
                                  const RqelPositionRec& aPosition) = 0;
    // The system-wide antenna list; it outlives the control.
    virtual TqelAntennaList* getAntennaList() = 0;
};

// Owns the measurement-system drivers of the activated pitch: driver 0 measures the base field,
// the others its roaming fields, whose positions are transposed into the base field's
// coordinates. Hands a transponder on to the next driver when its driver loses it, distributes
// the prepared transponder list and starts and stops the drivers together.
//
// Main thread only: positions arrive synchronously from the drivers' socket events, reports
// through their queued deliveries, and the hand-over cycle is a timer of this object.
class TqelMeasurementControl : public QObject,
                               public IqelMeasurementSystemCallback,
                               public IqelMeasurementControl {
    Q_OBJECT

public:
    static constexpr int kCycleIntervalMs = 1000;
    // A transponder without a valid position in its driver's box for longer is handed on when
    // its quality is low too.
    static constexpr int64_t kLostAfterMs = 5000;
    static constexpr int32_t kLostBelowQuality = 10;
    // The cycle hands on every enabled transponder without a valid position for longer.
    static constexpr int64_t kCycleAfterMs = 10000;

    // Without a factory, drivers come from qel::CreateMeasurementSystem.
    explicit TqelMeasurementControl(QObject* aParent = nullptr,
                                    qel::MeasurementSystemFactory aFactory = {});
    ~TqelMeasurementControl() override;
    TqelMeasurementControl(const TqelMeasurementControl&) = delete;
    TqelMeasurementControl& operator=(const TqelMeasurementControl&) = delete;

    // Non-owning; the owner outlives the control or clears it first.
    void setCallback(IqelMeasurementControlCallBack* aValue) { FCallback = aValue; }

    // Adds the driver of a field; the first field added is the base field. Raises Exception on a
    // roaming field that cannot be placed, and then keeps no driver for it. A field already
    // listed or of a system type without a driver adds nothing. The settings must outlive the
    // driver.
    void MeasurementSystemAdd(TqelFieldSettings* aField);
    // Builds the transponder ini of the preparation (not owned), writes it as
    // "Prepared_Transponder.ini" and hands it to the drivers: driver 0 gets each transponder's
    // own enable flag, the roaming drivers all transponders disabled.
    void setPrepareRecording(TqelPrepareRecording* aValue);

    void Startup();
    void Stop();
    void StopMeasurement();
    // Stops and frees every driver.
    void Clear();
    void StartDataLogging();
    void StopDataLogging();
    // Field id 0 means every driver.
    void BaseStationsSetNormValues(int32_t aFieldID);
    // Field id 0 means the first driver. Empties aPositions first; 0 without such a driver.
    int32_t GetBaseStationsPos(int32_t aFieldID, TqelArrayOfPositionRec& aPositions);
    // Nil outside the list.
    TqelMeasurementSystem* GetMeasurementSystem(int32_t anIndex) const;
    // The lowest state over the drivers; startNone without drivers.
    TqelStartupSequence GetStartUpSequence() const;
    TqelStartupSequence StartUpSequence() const { return GetStartUpSequence(); }
    int32_t Count() const { return static_cast<int32_t>(FMeasurementSystems.size()); }
    int32_t MeasurementSystemCount() const { return Count(); }
    // The operator's hand-over of one transponder to the next driver, whatever its role.
    void CycleMeasurementSystem(uint16_t anAntennaID);

    bool DataReceiving() const { return FDataReceiving; }
    bool CycleTimerActive() const;
    const QStringList& TransponderIni() const { return FTransponderIni; }

    // The hand-over cycle's pass, run by the cycle timer.
    void CycleTimerTimer();

    // IqelMeasurementControl
    void ActivateTransponder(uint16_t anAntennaID) override;
    void DeactivateTransponder(uint16_t anAntennaID) override;

    // IqelMeasurementSystemCallback; QObject's event stays reachable beside the drivers' one.
    using QObject::event;
    void log(TqelMeasurementSystem* aSender, const QString& aText) override;
    void status(TqelMeasurementSystem* aSender, int32_t aMessageID, const QString& aText) override;
    void error(TqelMeasurementSystem* aSender, int32_t aMessageID, const QString& aText) override;
    void stateChanged(TqelMeasurementSystem* aSender, TqelStartupSequence aState) override;
    void positionReceived(TqelMeasurementSystem* aSender,
                          const RqelPositionRec& aPosition) override;
    void event(TqelMeasurementSystem* aSender, uint8_t anEventCode, int32_t aParameter) override;
    TqelAntennaList* getAntennaList() override;

private:
    // The index of the driver in the list, -1 when it is not listed.
    int32_t IndexOf(const TqelMeasurementSystem* aSystem) const;
    void SetDataReceiving(bool aValue);
    // Hands the transponder of the antenna on from the driver at anIndex (-1: none).
    void HandOverTransponder(int32_t anIndex, uint16_t anAntennaID);
    // The offsets and rotation of a roaming field in the base field's coordinates.
    void PlaceRoamingField(TqelFieldSettings& aField, const TqelFieldSettings& aBaseField);

    std::vector<std::unique_ptr<TqelMeasurementSystem>> FMeasurementSystems;
    IqelMeasurementControlCallBack* FCallback = nullptr;
    QStringList FTransponderIni;
    TqelPrepareRecording* FPrepareRecording = nullptr;
    QTimer* FCycleTimer;
    bool FDataReceiving = false;
    qel::MeasurementSystemFactory FFactory;
};
