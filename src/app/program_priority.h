#pragma once

#include <QString>
#include <functional>

namespace qel {

// Raises the process and the calling (main) thread above normal, the nearest this system has
// to a high priority class and a time-critical thread: lower nice values, no real-time policy.
// Without the right to do so the system refuses; the first refusal of the process goes to aLog,
// later ones are silent.
void RaiseProgramPriority(const std::function<void(const QString&)>& aLog);

}  // namespace qel
