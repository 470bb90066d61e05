#pragma once

#include <QString>
#include <atomic>
#include <cstdint>

class TqelServerConfig;
namespace qel {
class IniFile;
}

// The settings of one PTZ camera, an entry of the camera list of the server settings.
//
// Edited on the main thread; the camera threads read it: numbers are atomic.
class TqelCameraSettings {
public:
    // aConfig owns the camera and is marked modified by its setters; it may be nullptr.
    explicit TqelCameraSettings(TqelServerConfig* aConfig) : FConfig(aConfig) {}

    TqelServerConfig* Config() const { return FConfig; }
    // Position in the camera list, from 0.
    uint8_t CameraIndex() const { return FCameraIndex; }
    void setCameraIndex(uint8_t aValue);

    // The keys of the camera's section "Dome n" (and its preset sections).
    void readFromIni(const qel::IniFile& aIni, const QString& aSection);
    void writeToIni(qel::IniFile& aIni, const QString& aSection) const;

private:
    void markModified();

    TqelServerConfig* FConfig;  // not owned
    std::atomic<uint8_t> FCameraIndex{0};
};
