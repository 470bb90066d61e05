#include "foundation/settings/power_control_settings.h"

#include "foundation/settings/server_config.h"
#include "platform/ini_file.h"

bool TqelEPCConfig::Assign(const TqelEPCConfig& aValue) {
    setDeviceName(aValue.DeviceName());
    setIPAddress(aValue.IPAddress());
    setPortNumber(aValue.PortNumber());
    setAdminPassword(aValue.AdminPassword());
    setUserPassword(aValue.UserPassword());
    setUseOVhtml(aValue.UseOVhtml());
    return Modified();
}

void TqelEPCConfig::readFromIni(const qel::IniFile& aIni, const QString& aSection,
                                const TqelServerConfig& aConfig) {
    setDeviceName(aIni.ReadString(aSection, QStringLiteral("DeviceName"), QString()));
    setIPAddress(aIni.ReadString(aSection, QStringLiteral("IPAddress"), QString()));
    setAdminPassword(
        aConfig.ReadPassword(aIni, aSection, QStringLiteral("Admin Password"), QString()));
    setUserPassword(
        aConfig.ReadPassword(aIni, aSection, QStringLiteral("user password"), QString()));
    setUseOVhtml(aIni.ReadBool(aSection, QStringLiteral("Use OV.html"), false));
    setPortNumber(aIni.ReadInteger(aSection, QStringLiteral("Port number"), 0));
}

void TqelEPCConfig::writeToIni(qel::IniFile& aIni, const QString& aSection,
                               const TqelServerConfig& aConfig) const {
    aIni.WriteString(aSection, QStringLiteral("DeviceName"), DeviceName());
    aIni.WriteString(aSection, QStringLiteral("IPAddress"), IPAddress());
    aConfig.WritePassword(aIni, aSection, QStringLiteral("Admin Password"), AdminPassword());
    aConfig.WritePassword(aIni, aSection, QStringLiteral("User password"), UserPassword());
    aIni.WriteBool(aSection, QStringLiteral("Use OV.html"), UseOVhtml());
    aIni.WriteInteger(aSection, QStringLiteral("Port number"), PortNumber());
}
