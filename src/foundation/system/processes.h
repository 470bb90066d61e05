#pragma once

#include <QString>
#include <cstdint>

// Window show commands of the process calls. Console programs here have no window of their own,
// so they are accepted and ignored.
enum : int {
    SW_HIDE = 0,
    SW_SHOWNORMAL = 1,
    SW_SHOWMINIMIZED = 2,
    SW_SHOWMAXIMIZED = 3,
    SW_SHOW = 5,
    SW_MINIMIZE = 6,
};

// Errors of ShellOpen, which returns a value above 32 on success.
enum : int {
    SE_ERR_FNF = 2,       // the file was not found
    SE_ERR_NOASSOC = 31,  // nothing could open it
};

namespace qel {
// What ShellOpen returns when it started the program or the opener.
constexpr int kShellOpenDone = 42;
}  // namespace qel

// Processes match an executable name when the file name or the whole path of their executable
// (or of their first command-line argument) equals it, ignoring case. A name ending in ".exe"
// also matches the program without that extension, as programs are named on this platform.

// The id of the first running process matching the name; 0 when none does.
int64_t FindProcessIdByExeName(const QString& anExeName);

// Ends every running process matching the name at once (it cannot clean up). Returns how many
// were ended.
int KillProcessesByExeName(const QString& anExeName);

// Opens the file or folder as the desktop would, in the file's folder: a program is started
// with the parameters (split like a command line), anything else goes to the desktop's opener.
int ShellOpen(const QString& aFileName, const QString& aParameters, int aShowCommand);

// Starts the command line (program and arguments, quoted like a command line; no shell) and
// waits for it while pending repaints still run. Its input is empty and its output discarded.
// Returns the exit code, 128 + the signal for a program that was killed, or -1 when it could
// not be started.
int ExecuteAndWait(const QString& aCommandLine, int aShowCommand);

// Writes the embedded resource (a path in the program's resources, with or without the leading
// ":/") to the file, replacing an existing one. False when the resource is missing or the file
// cannot be written.
bool ExtractResourceToFile(const QString& aResourceName, const QString& aFileName);
