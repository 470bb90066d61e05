#pragma once

#include <QString>

// The operating system's name of this computer (at most 255 characters); empty when it cannot
// be read. Never raises.
void GetComputerNameString(QString& aName);
