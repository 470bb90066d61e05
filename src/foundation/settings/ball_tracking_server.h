#pragma once

#include <QString>
#include <atomic>
#include <cstdint>

#include "platform/shared_values.h"

class TqelServerConfig;
namespace qel {
class IniFile;
}

// A ball-tracking server of the server settings, found by its ID from the pitches.
//
// Edited on the main thread (settings load, configuration dialog); the camera and ball-tracking
// clients read it from their threads: numbers are atomic, each text has its own lock.
// Modified is true at creation; only the configuration dialog clears it.
class TqelBallTrackingServer : public qel::ChangeTracker {
public:
    TqelBallTrackingServer() : ChangeTracker(true) {}

    int32_t ID() const { return FID; }
    void setID(int32_t aValue) { store(FID, aValue); }
    QString Description() const { return FDescription.get(); }
    void setDescription(const QString& aValue) { storeText(FDescription, aValue); }
    QString IPAddress() const { return FIPAddress.get(); }
    void setIPAddress(const QString& aValue) { storeText(FIPAddress, aValue); }
    int32_t PortNr() const { return FPortNr; }
    void setPortNr(int32_t aValue) { store(FPortNr, aValue); }
    bool RecordBallData() const { return FRecordBallData; }
    void setRecordBallData(bool aValue) { store(FRecordBallData, aValue); }
    QString LPPLocation() const { return FLPPLocation.get(); }
    void setLPPLocation(const QString& aValue) { storeText(FLPPLocation, aValue); }
    QString LPPUsername() const { return FLPPUsername.get(); }
    void setLPPUsername(const QString& aValue) { storeText(FLPPUsername, aValue); }
    // Plain text in memory; the file holds it in the password form of the settings.
    QString LPPPassword() const { return FLPPPassword.get(); }
    void setLPPPassword(const QString& aValue) { storeText(FLPPPassword, aValue); }

    // Reads the keys of the server's section through the setters; aDefaultID stands in for a
    // missing "ID".
    void readFromIni(const qel::IniFile& aIni, const QString& aSection, int32_t aDefaultID,
                     const TqelServerConfig& aConfig);
    void writeToIni(qel::IniFile& aIni, const QString& aSection,
                    const TqelServerConfig& aConfig) const;

private:
    std::atomic<int32_t> FID{0};
    qel::SharedText FDescription;
    qel::SharedText FIPAddress;
    std::atomic<int32_t> FPortNr{4101};
    std::atomic<bool> FRecordBallData{false};
    qel::SharedText FLPPLocation;
    qel::SharedText FLPPUsername;
    qel::SharedText FLPPPassword;
};
