#include "foundation/net/network_utils.h"

#include <QHostAddress>
#include <QHostInfo>
#include <array>

#include <unistd.h>

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

void GetComputerNameString(QString& aName) {
    aName.clear();
    std::array<char, 256> buffer{};
    // One byte stays zero: a name that fills the buffer is cut, not left unterminated.
    if (::gethostname(buffer.data(), buffer.size() - 1) == 0) {
        aName = QString::fromLocal8Bit(buffer.data()).left(255);
    }
}
