#pragma once

#include <QString>
#include <cstdint>

// How a recording's video is made; derived from the recording flags of the server settings.
enum TqelRecordingBy : uint8_t {
    recNone,
    recDomeControl,
    recQelServer,
    recRecordingServer,
    recGameOn
};

namespace qel {

// "http://[user[:password]@]host[:port]", the port left out when it is 80. User name and
// password are percent-encoded, so that "@", ":" or "/" in them cannot change the host; the
// characters a URL allows there as they are ("!$&'()*+,;=" and the unreserved ones) stay.
QString BuildNokiaURL(const QString& aUsername, const QString& aPassword, const QString& aHost,
                      int32_t aPort);

// The GameOn host with "http://" in front unless it is empty or begins with "http" (with case).
QString GameOnHostWithScheme(const QString& aHost);

}  // namespace qel
