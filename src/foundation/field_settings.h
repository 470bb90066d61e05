#pragma once

#include <QString>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/shared_values.h"

class TqelServerConfig;

// The record format of an LPM system.
enum TlpmDataProtocol : uint8_t {
    dtpDisabled,
    dtpShortDataformat,
    dtpMiddleDataFormat,
    dtpLongDataFormat,
    dtpDebugDataFormat,
    dtpOldShortDataformat
};

namespace qel {
class IniFile;

// The defaults a pitch section is read with, gathered from the general keys of the settings
// file before the pitches are read.
struct FieldSectionDefaults {
    int32_t UDPListenPort = 70;
    int32_t LPMDataProtocol = 2;  // ordinal of the LPM record format
    QString IPAbatecServer;
    QString IPControlePC;
    QString IPDataReceiver;
    bool StoreLiveData = false;
    bool GameOnEnabled = false;
    // The server carried over from the old single ball-tracking keys; every pitch read enables
    // it. 0: none.
    int32_t CarriedOverBallTrackingServerID = 0;
};

}  // namespace qel

// One pitch of the server settings: where a measurement system locates transponders.
//
// Edited on the main thread (settings load, configuration dialog); the measurement, output and
// camera threads read it: numbers are atomic, each text has its own lock, the ball-tracking
// server ids are guarded by FBTSLock. The setters only store: they mark nothing modified.
class TqelFieldSettings {
public:
    TqelFieldSettings() = default;

    int32_t FieldID() const { return FFieldID; }
    void setFieldID(int32_t aValue) { FFieldID = aValue; }
    // The pitch with an empty name is the default pitch.
    QString FieldName() const { return FFieldName.get(); }
    void setFieldName(const QString& aValue) { FFieldName.set(aValue); }
    // A folder on the LPM side: a non-empty value gets a trailing "\".
    QString AbatecSettingsDirectory() const { return FAbatecSettingsDirectory.get(); }
    void setAbatecSettingsDirectory(const QString& aValue);
    // UDP port on which LPM data arrive.
    int32_t UDPListenPort() const { return FUDPListenPort; }
    void setUDPListenPort(int32_t aValue) { FUDPListenPort = aValue; }
    TlpmDataProtocol LPMDataProtocol() const { return FLPMDataProtocol; }
    void setLPMDataProtocol(TlpmDataProtocol aValue) { FLPMDataProtocol = aValue; }
    bool Modified() const { return FModified; }
    void setModified(bool aValue) { FModified = aValue; }

    // Ids of the ball-tracking servers of the pitch, in the order enabled, without 0 and
    // without repeats.
    void ClearBTS();
    void EnableBTS(uint8_t aBTSId);
    // 0 outside 0 .. count-1.
    uint8_t EnabledBTSID(int aIndex) const;
    int EnabledBTSIDCount() const;
    bool BallTrackingEnabled() const { return EnabledBTSIDCount() > 0; }

    void readFromIni(const qel::IniFile& aIni, const QString& aSection,
                     const qel::FieldSectionDefaults& aDefaults, const TqelServerConfig& aConfig);
    void writeToIni(qel::IniFile& aIni, const QString& aSection,
                    const TqelServerConfig& aConfig) const;

private:
    std::atomic<int32_t> FFieldID{0};
    qel::SharedText FFieldName;
    qel::SharedText FAbatecSettingsDirectory;
    std::atomic<int32_t> FUDPListenPort{70};
    std::atomic<TlpmDataProtocol> FLPMDataProtocol{dtpLongDataFormat};
    mutable std::mutex FBTSLock;
    std::vector<uint8_t> FBTSIds;
    std::atomic<bool> FModified{false};
};
