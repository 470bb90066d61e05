#include "foundation/camera_settings.h"

#include "foundation/server_config.h"
#include "platform/ini_file.h"

void TqelCameraSettings::setCameraIndex(uint8_t aValue) {
    if (FCameraIndex.exchange(aValue) != aValue) {
        markModified();
    }
}

void TqelCameraSettings::markModified() {
    if (FConfig) {
        FConfig->setModified(true);
    }
}

void TqelCameraSettings::readFromIni(const qel::IniFile& aIni, const QString& aSection) {
    // The camera's own values are not kept yet: its section stays in the file as it is.
}

void TqelCameraSettings::writeToIni(qel::IniFile& aIni, const QString& aSection) const {}
