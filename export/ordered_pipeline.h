// Runs produce(i) for i = 0 .. count-1 on worker threads and consume(i, item)
// on the calling thread, strictly in order of i, so that whatever consume
// writes is the same for any number of workers.
//
// Threads: the workers are made and joined here. A worker owns the item it
// is producing; once produced, the item sits in its slot under the mutex
// until the calling thread takes it. produce must only read what it shares
// with other calls. At most 2 x workers items wait at a time, which bounds
// memory. With 0 workers everything runs on the calling thread.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

template <typename Item>
bool RunOrdered(std::size_t count, int workers, const std::function<Item(std::size_t)>& produce,
                const std::function<bool(std::size_t, Item&)>& consume)
{
    if (workers <= 0) {
        for (std::size_t i = 0; i < count; ++i) {
            Item item = produce(i);
            if (!consume(i, item)) return false;
        }
        return true;
    }

    const std::size_t window = std::size_t(workers) * 2;
    std::mutex mutex;
    std::condition_variable produced;
    std::condition_variable taken;
    std::vector<std::optional<Item>> slots(window);
    std::size_t nextToProduce = 0;
    std::size_t nextToConsume = 0;
    bool stop = false;

    auto work = [&] {
        for (;;) {
            std::size_t index = 0;
            {
                std::unique_lock<std::mutex> lock(mutex);
                taken.wait(lock, [&] { return stop || nextToProduce >= count || nextToProduce < nextToConsume + window; });
                if (stop || nextToProduce >= count) return;
                index = nextToProduce++;
            }
            Item item = produce(index);
            {
                std::lock_guard<std::mutex> lock(mutex);
                slots[index % window] = std::move(item);
            }
            produced.notify_all();
        }
    };
    std::vector<std::thread> threads;
    for (int i = 0; i < workers; ++i) threads.emplace_back(work);

    bool completed = true;
    for (std::size_t i = 0; i < count; ++i) {
        std::optional<Item> item;
        {
            std::unique_lock<std::mutex> lock(mutex);
            produced.wait(lock, [&] { return slots[i % window].has_value(); });
            item = std::move(slots[i % window]);
            slots[i % window].reset();
            nextToConsume = i + 1;
        }
        taken.notify_all();
        if (!consume(i, *item)) {
            completed = false;
            break;
        }
    }
    {
        std::lock_guard<std::mutex> lock(mutex);
        stop = true;
    }
    taken.notify_all();
    for (std::thread& thread : threads) thread.join();
    return completed;
}
