#pragma once

#include <QString>
#include <cstdint>
#include <functional>

// The shell folder ids the program asks for, with their Windows values.
enum : int {
    CSIDL_APPDATA = 0x001A,        // the user's application data: ~/.local/share
    CSIDL_PROGRAM_FILES = 0x0026,  // installed add-on programs: /opt
};

// The text without the characters a file name must not hold: " & * / : < > ? \ |.
QString RemoveInvalidFileNameChars(const QString& aText);

// The file's size in bytes (0 for a folder); -1 when it cannot be read.
int64_t GetFileSizeByName(const QString& aFileName);

// The folder's path with a trailing "/"; empty for an id this platform has no folder for.
QString GetSpecialFolderPath(int aFolder);

// Moves the file to the user's trash. False when it does not exist or cannot be moved.
bool DeleteFileToRecycleBin(const QString& aFileName);

// Connects the remote path (a trailing path delimiter is ignored) through the current network
// connector; returns its result code, qel::kNetNoError on success.
uint32_t AddNetworkConnection(const QString& aLocalName, const QString& aRemotePath,
                              const QString& aUserName, const QString& aPassword);

// AddNetworkConnection in a pool task, waiting at most a second: qel::kNetExtendedError when it
// has not finished by then (it may still connect later; its result is dropped).
uint32_t ConnectShare(const QString& aDrive, const QString& aRemotePath, const QString& aUserName,
                      const QString& aPassword);

namespace qel {

// Result codes of the network connection calls, the numbers the Windows calls answer.
constexpr uint32_t kNetNoError = 0;
constexpr uint32_t kNetBadNetName = 67;       // the network name cannot be found
constexpr uint32_t kNetExtendedError = 1208;  // also: the connection did not finish in time

// Does the connecting for AddNetworkConnection: (local name, remote path without a trailing
// delimiter, user name, password) -> result code. May run on a pool thread.
using TNetworkConnector =
    std::function<uint32_t(const QString&, const QString&, const QString&, const QString&)>;

// On this platform a share is a folder mounted beforehand: kNetNoError when the remote path is
// an existing folder, kNetBadNetName otherwise.
uint32_t ConnectMountedShare(const QString& aLocalName, const QString& aRemotePath,
                             const QString& aUserName, const QString& aPassword);

// Replaces the connector (an empty one restores ConnectMountedShare) and returns the previous.
TNetworkConnector SetNetworkConnector(TNetworkConnector aConnector);

}  // namespace qel
