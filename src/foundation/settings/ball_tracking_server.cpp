#include "foundation/settings/ball_tracking_server.h"

#include "foundation/settings/server_config.h"
#include "platform/ini_file.h"

void TqelBallTrackingServer::readFromIni(const qel::IniFile& aIni, const QString& aSection,
                                         int32_t aDefaultID, const TqelServerConfig& aConfig) {
    setID(aIni.ReadInteger(aSection, QStringLiteral("ID"), aDefaultID));
    setDescription(aIni.ReadString(aSection, QStringLiteral("Description"), QString()));
    setIPAddress(aIni.ReadString(aSection, QStringLiteral("IP Address"), QString()));
    setPortNr(aIni.ReadInteger(aSection, QStringLiteral("PortNr"), 0));
    setRecordBallData(aIni.ReadBool(aSection, QStringLiteral("Record balldata"), false));
    setLPPLocation(aIni.ReadString(aSection, QStringLiteral("LPP Location"), QString()));
    setLPPUsername(aIni.ReadString(aSection, QStringLiteral("LPP Username"), QString()));
    setLPPPassword(aConfig.ReadPassword(aIni, aSection, QStringLiteral("LPP Password"), QString()));
}

void TqelBallTrackingServer::writeToIni(qel::IniFile& aIni, const QString& aSection,
                                        const TqelServerConfig& aConfig) const {
    aIni.WriteInteger(aSection, QStringLiteral("ID"), ID());
    aIni.WriteString(aSection, QStringLiteral("Description"), Description());
    aIni.WriteString(aSection, QStringLiteral("IP Address"), IPAddress());
    aIni.WriteInteger(aSection, QStringLiteral("PortNr"), PortNr());
    aIni.WriteBool(aSection, QStringLiteral("Record balldata"), RecordBallData());
    aIni.WriteString(aSection, QStringLiteral("LPP Location"), LPPLocation());
    aIni.WriteString(aSection, QStringLiteral("LPP Username"), LPPUsername());
    aConfig.WritePassword(aIni, aSection, QStringLiteral("LPP Password"), LPPPassword());
}
