#include "foundation/network_utils.h"

#include <QHostAddress>
#include <QHostInfo>

bool GetLocalHostNameAndAddress(QString& aHostName, QString& anAddress, QString& anErrorText) {
    aHostName.clear();
    anAddress.clear();
    anErrorText.clear();
    const QString hostName = QHostInfo::localHostName();
    if (hostName.isEmpty()) {
        return false;
    }
    aHostName = hostName;
    const QHostInfo info = QHostInfo::fromName(hostName);
    for (const QHostAddress& address : info.addresses()) {
        if (address.protocol() == QAbstractSocket::IPv4Protocol) {
            anAddress = address.toString();
            break;
        }
    }
    return true;
}
