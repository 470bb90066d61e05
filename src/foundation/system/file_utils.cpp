#include "foundation/system/file_utils.h"

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThreadPool>
#include <chrono>
#include <future>
#include <memory>
#include <mutex>

namespace {

std::mutex connectorLock;
qel::TNetworkConnector connector;  // empty: qel::ConnectMountedShare

qel::TNetworkConnector CurrentConnector() {
    std::lock_guard<std::mutex> lock(connectorLock);
    return connector ? connector : qel::TNetworkConnector(qel::ConnectMountedShare);
}

QString WithoutTrailingDelimiter(const QString& aPath) {
    if (aPath.size() > 1 && (aPath.endsWith(u'/') || aPath.endsWith(u'\\'))) {
        return aPath.chopped(1);
    }
    return aPath;
}

uint32_t Connect(const qel::TNetworkConnector& aConnector, const QString& aLocalName,
                 const QString& aRemotePath, const QString& aUserName, const QString& aPassword) {
    return aConnector(aLocalName, WithoutTrailingDelimiter(aRemotePath), aUserName, aPassword);
}

}  // namespace

QString RemoveInvalidFileNameChars(const QString& aText) {
    static const QString invalid = QStringLiteral("\"&*/:<>?\\|");
    QString result;
    result.reserve(aText.size());
    for (const QChar c : aText) {
        if (!invalid.contains(c)) {
            result.append(c);
        }
    }
    return result;
}

int64_t GetFileSizeByName(const QString& aFileName) {
    const QFileInfo info(aFileName);
    if (aFileName.isEmpty() || !info.exists()) {
        return -1;
    }
    // A folder's attributes carry no size.
    return info.isDir() ? 0 : info.size();
}

QString GetSpecialFolderPath(int aFolder) {
    QString path;
    switch (aFolder) {
        case CSIDL_APPDATA:
            path = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
            break;
        case CSIDL_PROGRAM_FILES:
            path = QStringLiteral("/opt");
            break;
        default:
            return QString();
    }
    if (!path.isEmpty() && !path.endsWith(u'/')) {
        path.append(u'/');
    }
    return path;
}

bool DeleteFileToRecycleBin(const QString& aFileName) {
    const QFileInfo info(aFileName);
    if (aFileName.isEmpty() || !info.exists() || info.isDir()) {
        return false;
    }
    return QFile::moveToTrash(aFileName);
}

uint32_t AddNetworkConnection(const QString& aLocalName, const QString& aRemotePath,
                              const QString& aUserName, const QString& aPassword) {
    return Connect(CurrentConnector(), aLocalName, aRemotePath, aUserName, aPassword);
}

uint32_t ConnectShare(const QString& aDrive, const QString& aRemotePath, const QString& aUserName,
                      const QString& aPassword) {
    // The task owns its copies and the promise: it may outlive this call.
    auto promise = std::make_shared<std::promise<uint32_t>>();
    std::future<uint32_t> result = promise->get_future();
    QThreadPool::globalInstance()->start(
        [promise, connector = CurrentConnector(), aDrive, aRemotePath, aUserName, aPassword] {
            uint32_t code = qel::kNetExtendedError;
            try {
                code = Connect(connector, aDrive, aRemotePath, aUserName, aPassword);
            } catch (...) {
                // A failing connector counts as a failed connection.
            }
            promise->set_value(code);
        });
    if (result.wait_for(std::chrono::milliseconds(1000)) != std::future_status::ready) {
        return qel::kNetExtendedError;
    }
    return result.get();
}

namespace qel {

uint32_t ConnectMountedShare(const QString& aLocalName, const QString& aRemotePath,
                             const QString& aUserName, const QString& aPassword) {
    return !aRemotePath.isEmpty() && QFileInfo(aRemotePath).isDir() ? kNetNoError : kNetBadNetName;
}

TNetworkConnector SetNetworkConnector(TNetworkConnector aConnector) {
    std::lock_guard<std::mutex> lock(connectorLock);
    TNetworkConnector previous = std::move(connector);
    connector = std::move(aConnector);
    return previous ? previous : TNetworkConnector(ConnectMountedShare);
}

}  // namespace qel
