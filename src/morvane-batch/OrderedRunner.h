#ifndef MORVANE_BATCH_ORDEREDRUNNER_H
#define MORVANE_BATCH_ORDEREDRUNNER_H

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

namespace morvane {

// Runs `work` on a stream of items with a number of threads and delivers
// the results in the order the items came, however the work is shared out.
// At most `window` items are held at once (read, in work, or waiting for
// an earlier one), so memory stays bounded for any number of items.
//
// The calling thread reads items (`next(item)` fills a default-constructed
// item, or returns false at the end) and delivers them (`deliver(item,
// result)` returns false to stop early); the worker threads only call
// `work(item)`. What `next` or `deliver` throws (memory running out, say)
// reaches the caller once the workers have ended; so does what `work`
// throws, when its item's turn to be delivered comes (a worker never lets
// an exception end the process). With one thread everything happens on the calling thread. When
// the system starts fewer threads than asked, those started do the work;
// when it starts none, the calling thread does.
template <class Item, class Result>
class OrderedRunner {
public:
    OrderedRunner(unsigned threads, std::size_t window)
        : threads_(threads < 1 ? 1 : threads), window_(window < 1 ? 1 : window)
    {}

    // Returns false when `deliver` stopped the run; the items read but not
    // delivered are then dropped once their work ends.
    template <class Next, class Work, class Deliver>
    bool Run(Next next, Work work, Deliver deliver)
    {
        if (threads_ == 1) return RunAlone(next, work, deliver);
        Shared shared;
        std::vector<std::thread> pool;
        pool.reserve(threads_);
        for (unsigned t = 0; t < threads_; ++t) {
            try {
                pool.emplace_back([&] { Serve(shared, work); });
            } catch (const std::system_error&) {
                break;  // no more threads to be had: those started do the work
            } catch (const std::bad_alloc&) {
                break;
            }
        }
        if (pool.empty()) return RunAlone(next, work, deliver);
        bool completed = false;
        std::exception_ptr failure;
        try {
            completed = Feed(shared, next, deliver);
        } catch (...) {
            failure = std::current_exception();
        }
        {
            std::lock_guard<std::mutex> lock(shared.mutex);
            shared.stop = true;
        }
        shared.workToDo.notify_all();
        for (std::thread& t : pool) t.join();
        if (failure) std::rethrow_exception(failure);
        return completed;
    }

private:
    struct Slot {
        Item item;
        Result result;
        bool done = false;
        std::exception_ptr failure;  // what `work` threw
    };

    // The items in flight, the oldest first; slots stay where they are until
    // delivered (a deque keeps references through pushes and pops at its ends).
    struct Shared {
        std::mutex mutex;
        std::condition_variable workToDo, oldestDone;
        std::deque<Slot> slots;
        std::size_t taken = 0;  // slots handed to a worker, counted from the oldest
        bool stop = false;
    };

    unsigned threads_;
    std::size_t window_;

    template <class Next, class Work, class Deliver>
    static bool RunAlone(Next& next, Work& work, Deliver& deliver)
    {
        for (;;) {
            Item item{};
            if (!next(item)) return true;
            Result result = work(item);
            if (!deliver(item, result)) return false;
        }
    }

    template <class Next, class Deliver>
    bool Feed(Shared& shared, Next& next, Deliver& deliver)
    {
        bool inputLeft = true;
        for (;;) {
            while (inputLeft && Held(shared) < window_) {
                Item item{};
                inputLeft = next(item);
                if (!inputLeft) break;
                {
                    std::lock_guard<std::mutex> lock(shared.mutex);
                    shared.slots.push_back(Slot{std::move(item), Result(), false, nullptr});
                }
                shared.workToDo.notify_one();
            }
            std::unique_lock<std::mutex> lock(shared.mutex);
            if (shared.slots.empty()) return true;
            shared.oldestDone.wait(lock, [&] { return shared.slots.front().done; });
            Slot oldest = std::move(shared.slots.front());
            shared.slots.pop_front();
            --shared.taken;
            lock.unlock();
            if (oldest.failure) std::rethrow_exception(oldest.failure);
            if (!deliver(oldest.item, oldest.result)) return false;
        }
    }

    static std::size_t Held(Shared& shared)
    {
        std::lock_guard<std::mutex> lock(shared.mutex);
        return shared.slots.size();
    }

    template <class Work>
    static void Serve(Shared& shared, Work& work)
    {
        std::unique_lock<std::mutex> lock(shared.mutex);
        for (;;) {
            shared.workToDo.wait(lock, [&] { return shared.stop || shared.taken < shared.slots.size(); });
            if (shared.stop) return;
            Slot& slot = shared.slots[shared.taken++];
            lock.unlock();
            Result result{};
            std::exception_ptr failure;
            try {
                result = work(slot.item);
            } catch (...) {
                failure = std::current_exception();
            }
            lock.lock();
            slot.result = std::move(result);
            slot.failure = failure;
            slot.done = true;
            if (&slot == &shared.slots.front()) shared.oldestDone.notify_one();
        }
    }
};

}  // namespace morvane

#endif
