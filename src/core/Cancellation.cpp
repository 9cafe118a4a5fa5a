#include "core/Cancellation.h"

#include <chrono>

namespace morvane {

namespace {

using Clock = std::chrono::steady_clock;

const Clock::duration POLL_INTERVAL = std::chrono::milliseconds(20);

struct ThreadCancellation {
    Cancellation* current = nullptr;
    CancellationPoll poll = nullptr;
    void* context = nullptr;
    Clock::time_point nextPoll;
};

thread_local ThreadCancellation here;

}  // namespace

CancellationScope::CancellationScope(Cancellation* c, CancellationPoll poll, void* context)
    : before(here.current), pollBefore(here.poll), contextBefore(here.context)
{
    here.current = c;
    here.poll = poll;
    here.context = context;
    here.nextPoll = Clock::time_point();
}

CancellationScope::~CancellationScope()
{
    here.current = before;
    here.poll = pollBefore;
    here.context = contextBefore;
}

Cancellation* CurrentCancellation() { return here.current; }

void CheckCancellation()
{
    if (here.current == nullptr) return;
    if (here.poll != nullptr) {
        const Clock::time_point now = Clock::now();
        if (now >= here.nextPoll) {
            here.nextPoll = now + POLL_INTERVAL;
            if (here.poll(here.context)) here.current->Request();
        }
    }
    if (here.current->Requested()) throw Cancelled();
}

}  // namespace morvane
