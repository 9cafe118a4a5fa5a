#include "ParallelFor.h"

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>
#include <vector>

namespace morvane {

void ParallelFor(std::size_t n, unsigned threads, Cancellation* cancellation,
                 const std::function<void(std::size_t)>& work)
{
    if (threads == 0) threads = std::max(1u, std::thread::hardware_concurrency());
    std::atomic<std::size_t> next{0};
    auto run = [&] {
        const CancellationScope scope(cancellation);
        for (std::size_t i; (cancellation == nullptr || !cancellation->Requested()) && (i = next++) < n;) work(i);
    };
    std::vector<std::thread> pool;
    pool.reserve(std::min<std::size_t>(threads, n));
    for (unsigned t = 1; t < threads && t < n; ++t) {
        try {
            pool.emplace_back(run);
        } catch (const std::system_error&) {
            break;  // no more threads to be had: those started share the work
        }
    }
    run();
    for (std::thread& t : pool) t.join();
}

}  // namespace morvane
