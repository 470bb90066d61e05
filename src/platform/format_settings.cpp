#include "platform/format_settings.h"

namespace qel {

const FormatSettings& FormatSettings::Invariant() {
    static const FormatSettings settings;
    return settings;
}

}  // namespace qel
