#pragma once

#include <atomic>
#include <cstdint>

namespace qel {

// Where the millisecond tick count comes from: a 32-bit count since some fixed start that wraps
// after about 49.7 days. Intervals are 32-bit differences of two readings, so the wrap does not
// disturb any interval shorter than 2^31 ms. Injected so that tests can set it and cross the
// wrap.
class TickSource {
public:
    virtual ~TickSource() = default;
    virtual uint32_t Ticks() const = 0;
};

// The monotonic clock of the machine (never jumps with the wall clock).
class SystemTickSource final : public TickSource {
public:
    uint32_t Ticks() const override;
};

// A tick count that stands still until it is set or advanced. Any thread may read it.
class FakeTickSource final : public TickSource {
public:
    explicit FakeTickSource(uint32_t aTicks = 0) : FTicks(aTicks) {}
    uint32_t Ticks() const override { return FTicks.load(); }
    void Set(uint32_t aTicks) { FTicks.store(aTicks); }
    // Wraps around 2^32 like the real count.
    void Advance(uint32_t aMilliSeconds) { FTicks.fetch_add(aMilliSeconds); }

private:
    std::atomic<uint32_t> FTicks;
};

// Milliseconds from the current tick source.
uint32_t TickCount();

// The source must outlive its use; set it before threads that read it start. Passing nullptr
// restores the system's. Returns the source that was current.
TickSource* SetTickSource(TickSource* aSource);

// Makes a tick source current for a scope (a test) and restores the previous one at its end.
class ScopedTickSource {
public:
    explicit ScopedTickSource(TickSource& aSource) : FPrevious(SetTickSource(&aSource)) {}
    ~ScopedTickSource() { SetTickSource(FPrevious); }
    ScopedTickSource(const ScopedTickSource&) = delete;
    ScopedTickSource& operator=(const ScopedTickSource&) = delete;

private:
    TickSource* FPrevious;
};

}  // namespace qel
