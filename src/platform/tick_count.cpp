#include "platform/tick_count.h"

#include <chrono>

namespace qel {

namespace {

SystemTickSource& TheSystemTickSource() {
    static SystemTickSource source;
    return source;
}

std::atomic<TickSource*> currentTickSource{nullptr};

}  // namespace

uint32_t SystemTickSource::Ticks() const {
    // Milliseconds of the monotonic clock, cut to 32 bits as the count wraps.
    const auto sinceStart = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(sinceStart).count()));
}

uint32_t TickCount() {
    TickSource* source = currentTickSource.load();
    return source ? source->Ticks() : TheSystemTickSource().Ticks();
}

TickSource* SetTickSource(TickSource* aSource) {
    TickSource* previous = currentTickSource.exchange(aSource);
    return previous ? previous : &TheSystemTickSource();
}

}  // namespace qel
