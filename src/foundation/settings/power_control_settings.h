#pragma once

#include <QString>
#include <atomic>
#include <cstdint>

#include "platform/shared_values.h"

class TqelServerConfig;
namespace qel {
class IniFile;
}

// A networked power switch of the server settings, switched when a pitch is activated.
//
// Edited on the main thread; other threads may read it: numbers are atomic, each text has its
// own lock.
class TqelEPCConfig : public qel::ChangeTracker {
public:
    TqelEPCConfig() = default;

    QString DeviceName() const { return FDeviceName.get(); }
    void setDeviceName(const QString& aValue) { storeText(FDeviceName, aValue); }
    QString IPAddress() const { return FIPAddress.get(); }
    void setIPAddress(const QString& aValue) { storeText(FIPAddress, aValue); }
    int32_t PortNumber() const { return FPortNumber; }
    void setPortNumber(int32_t aValue) { store(FPortNumber, aValue); }
    // Plain text in memory; the file holds them in the password form of the settings.
    QString AdminPassword() const { return FAdminPassword.get(); }
    void setAdminPassword(const QString& aValue) { storeText(FAdminPassword, aValue); }
    QString UserPassword() const { return FUserPassword.get(); }
    void setUserPassword(const QString& aValue) { storeText(FUserPassword, aValue); }
    bool UseOVhtml() const { return FUseOVhtml; }
    void setUseOVhtml(bool aValue) { store(FUseOVhtml, aValue); }

    // Gives the other entry's values to this one's setters; returns Modified (true when any
    // value changed or it was set already).
    bool Assign(const TqelEPCConfig& aValue);

    void readFromIni(const qel::IniFile& aIni, const QString& aSection,
                     const TqelServerConfig& aConfig);
    void writeToIni(qel::IniFile& aIni, const QString& aSection,
                    const TqelServerConfig& aConfig) const;

private:
    qel::SharedText FDeviceName;
    qel::SharedText FIPAddress;
    std::atomic<int32_t> FPortNumber{0};
    qel::SharedText FAdminPassword;
    qel::SharedText FUserPassword;
    std::atomic<bool> FUseOVhtml{false};
};
