#include "foundation/computer_name.h"

#include <unistd.h>

#include <array>

void GetComputerNameString(QString& aName) {
    aName.clear();
    std::array<char, 256> buffer{};
    // One byte stays zero: a name that fills the buffer is cut, not left unterminated.
    if (::gethostname(buffer.data(), buffer.size() - 1) == 0) {
        aName = QString::fromLocal8Bit(buffer.data()).left(255);
    }
}
