#include "foundation/field_settings.h"

#include <QStringList>
#include <QVariant>

#include "foundation/server_config.h"
#include "foundation/text_utils.h"
#include "platform/ini_file.h"

namespace {

// Items of a list text: separated by ";" and by blanks; an item in double quotes is taken
// without them.
QStringList SplitListText(const QString& aText) {
    QStringList items;
    QString item;
    for (QChar c : aText) {
        if (c == u';' || c == u' ') {
            if (!item.isEmpty()) {
                items.append(item);
            }
            item.clear();
        } else {
            item += c;
        }
    }
    if (!item.isEmpty()) {
        items.append(item);
    }
    for (QString& each : items) {
        if (each.size() >= 2 && each.front() == u'"' && each.back() == u'"') {
            each = each.mid(1, each.size() - 2);
        }
    }
    return items;
}

// An item's integer (0 when it is none), taken modulo 256.
uint8_t ListItemByte(const QString& aItem) {
    return static_cast<uint8_t>(VarToIntDef(QVariant(aItem), 0) & 0xFF);
}

}  // namespace

void TqelFieldSettings::setAbatecSettingsDirectory(const QString& aValue) {
    if (!aValue.isEmpty() && !aValue.endsWith(u'\\')) {
        FAbatecSettingsDirectory.set(aValue + u'\\');
    } else {
        FAbatecSettingsDirectory.set(aValue);
    }
}

void TqelFieldSettings::ClearBTS() {
    std::lock_guard lock(FBTSLock);
    FBTSIds.clear();
}

void TqelFieldSettings::EnableBTS(uint8_t aBTSId) {
    std::lock_guard lock(FBTSLock);
    if (aBTSId != 0 && std::find(FBTSIds.begin(), FBTSIds.end(), aBTSId) == FBTSIds.end()) {
        FBTSIds.push_back(aBTSId);
    }
}

uint8_t TqelFieldSettings::EnabledBTSID(int aIndex) const {
    std::lock_guard lock(FBTSLock);
    return aIndex >= 0 && static_cast<size_t>(aIndex) < FBTSIds.size() ? FBTSIds[aIndex] : 0;
}

int TqelFieldSettings::EnabledBTSIDCount() const {
    std::lock_guard lock(FBTSLock);
    return static_cast<int>(FBTSIds.size());
}

void TqelFieldSettings::readFromIni(const qel::IniFile& aIni, const QString& aSection,
                                    const qel::FieldSectionDefaults& aDefaults,
                                    const TqelServerConfig& aConfig) {
    setFieldName(aIni.ReadString(aSection, QStringLiteral("FieldName"), QString()));
    setFieldID(aIni.ReadInteger(aSection, QStringLiteral("FieldID"), 0));
    setAbatecSettingsDirectory(
        aIni.ReadString(aSection, QStringLiteral("Abatec settings Directory"), QString()));
    if (aDefaults.CarriedOverBallTrackingServerID != 0) {
        EnableBTS(static_cast<uint8_t>(aDefaults.CarriedOverBallTrackingServerID & 0xFF));
    }
    setUDPListenPort(
        aIni.ReadInteger(aSection, QStringLiteral("UDP Listen Port"), aDefaults.UDPListenPort));
    const int32_t protocol =
        aIni.ReadInteger(aSection, QStringLiteral("LPM Data Protocol"), aDefaults.LPMDataProtocol);
    // An ordinal outside the type is damage and gives the file's usual format.
    setLPMDataProtocol(protocol >= dtpDisabled && protocol <= dtpOldShortDataformat
                           ? static_cast<TlpmDataProtocol>(protocol)
                           : dtpMiddleDataFormat);
    const QString servers =
        aIni.ReadString(aSection, QStringLiteral("Enabled balltracking servers"), QString());
    for (const QString& item : SplitListText(servers)) {
        EnableBTS(ListItemByte(item));
    }
}

void TqelFieldSettings::writeToIni(qel::IniFile& aIni, const QString& aSection,
                                   const TqelServerConfig& aConfig) const {
    aIni.WriteString(aSection, QStringLiteral("FieldName"), FieldName());
    aIni.WriteInteger(aSection, QStringLiteral("FieldID"), FieldID());
    aIni.WriteString(aSection, QStringLiteral("Abatec settings Directory"),
                     AbatecSettingsDirectory());
    aIni.WriteInteger(aSection, QStringLiteral("UDP Listen Port"), UDPListenPort());
    aIni.WriteInteger(aSection, QStringLiteral("LPM Data Protocol"), LPMDataProtocol());
    QStringList servers;
    {
        std::lock_guard lock(FBTSLock);
        for (uint8_t id : FBTSIds) {
            servers.append(QString::number(id));
        }
    }
    aIni.WriteString(aSection, QStringLiteral("Enabled balltracking servers"), servers.join(u';'));
}
