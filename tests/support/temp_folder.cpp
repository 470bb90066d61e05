#include "support/temp_folder.h"

#include <stdexcept>

namespace qel::test {

TempFolder::TempFolder() {
    if (!dir_.isValid()) {
        throw std::runtime_error("cannot create a temporary folder");
    }
}

}  // namespace qel::test
