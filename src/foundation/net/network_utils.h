#pragma once

#include <QString>

// The local host's name and its first IPv4 address in dotted decimal. All three outputs are
// cleared first. False, with the error text when there is one, when the host name cannot be
// read; a name that does not resolve to an IPv4 address leaves the address empty (still true).
// Blocks for the name look-up.
bool GetLocalHostNameAndAddress(QString& aHostName, QString& anAddress, QString& anErrorText);

// The operating system's name of this computer (at most 255 characters); empty when it cannot
// be read. Never raises.
void GetComputerNameString(QString& aName);
