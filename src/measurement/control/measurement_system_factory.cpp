#include "measurement/control/measurement_system_factory.h"

#include "foundation/settings/field_settings.h"
#include "foundation/settings/server_config.h"
#include "measurement/drivers/lpm_system.h"

namespace qel {

std::unique_ptr<TqelMeasurementSystem> CreateMeasurementSystem(const TqelFieldSettings& aField,
                                                               bool aRoaming) {
    switch (aField.SystemType()) {
        case mstLPM:
        case mstLPMWireless: {
            auto driver = std::make_unique<TqelLPMSystem>(*ServerConfig());
            driver->setRoaming(aRoaming);
            return driver;
        }
        default:
            return nullptr;
    }
}

}  // namespace qel
