#ifndef MORVANE_CORE_CANCELLATION_H
#define MORVANE_CORE_CANCELLATION_H

#include <atomic>
#include <stdexcept>

namespace morvane {

// Thrown by CheckCancellation once the calculation under way is to stop.
// It passes up through the engine, which frees what it holds on the way
// (every thread it started has ended by then); CalculatePattern turns it
// into a failed result.
class Cancelled : public std::runtime_error {
public:
    Cancelled() : std::runtime_error("the calculation was cancelled") {}
};

// A request, made from outside a calculation, that it stop: by any thread
// through Request, or by the poll of a thread that runs it (see
// CancellationScope).
class Cancellation {
public:
    void Request() { requested.store(true, std::memory_order_relaxed); }
    bool Requested() const { return requested.load(std::memory_order_relaxed); }

private:
    std::atomic<bool> requested{false};
};

// Asked now and then by the thread that installed it; true requests the
// cancellation. A language binding looks there for an interrupt that only
// that thread can see.
using CancellationPoll = bool (*)(void* context);

// Makes `c` the cancellation of the calculations this thread runs until the
// scope ends, when the one before is restored. The poll, when given, is
// asked on this thread only, at most every POLL_INTERVAL.
class CancellationScope {
public:
    explicit CancellationScope(Cancellation* c, CancellationPoll poll = nullptr, void* context = nullptr);
    ~CancellationScope();
    CancellationScope(const CancellationScope&) = delete;
    CancellationScope& operator=(const CancellationScope&) = delete;

private:
    Cancellation* before;
    CancellationPoll pollBefore;
    void* contextBefore;
};

// This thread's cancellation, or nullptr; a calculation hands it to the
// threads it starts.
Cancellation* CurrentCancellation();

// Throws Cancelled when this thread's cancellation is requested, after
// asking the thread's poll if it is due. The engine's long loops call it
// every few thousand steps, which is about a millisecond of work at most.
void CheckCancellation();

}  // namespace morvane

#endif
