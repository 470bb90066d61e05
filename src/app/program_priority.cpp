#include "app/program_priority.h"

#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace qel {

namespace {

constexpr int kProcessNiceness = -5;
constexpr int kMainThreadNiceness = -10;
std::atomic<bool> gRefusalLogged{false};

// Linux nice values belong to threads (the process id names the main thread only), and a new
// thread starts with its creator's: the process value first, then the main thread's own.
bool SetNiceness(id_t anId, int aNiceness, QString& anError) {
    if (setpriority(PRIO_PROCESS, anId, aNiceness) == 0)
        return true;
    anError = QString::fromLocal8Bit(std::strerror(errno));
    return false;
}

}  // namespace

void RaiseProgramPriority(const std::function<void(const QString&)>& aLog) {
    QString error;
    const bool process = SetNiceness(static_cast<id_t>(getpid()), kProcessNiceness, error);
    const bool thread =
        process && SetNiceness(static_cast<id_t>(gettid()), kMainThreadNiceness, error);
    if (!thread && !gRefusalLogged.exchange(true) && aLog)
        aLog(QStringLiteral("Priority not raised: %1").arg(error));
}

}  // namespace qel
