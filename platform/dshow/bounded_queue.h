// A bounded queue between a streaming thread and a worker: the producer never waits (a full
// queue refuses the item and the producer counts it as dropped), the consumer waits for work.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <utility>

namespace dshow {

template <class Item> class BoundedQueue {
public:
    explicit BoundedQueue(size_t capacity) : capacity_(capacity ? capacity : 1) {}

    // False when the queue is full or closed: the item was not taken.
    bool TryPush(Item item) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (closed_ || items_.size() >= capacity_)
                return false;
            items_.push_back(std::move(item));
        }
        ready_.notify_one();
        return true;
    }

    // Waits for an item; false once the queue is closed and empty.
    bool Pop(Item* out) {
        std::unique_lock<std::mutex> lock(mutex_);
        ready_.wait(lock, [this] { return closed_ || !items_.empty(); });
        if (items_.empty())
            return false;
        *out = std::move(items_.front());
        items_.pop_front();
        return true;
    }

    // No more items are taken; the consumer empties the queue and then ends.
    void Close() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            closed_ = true;
        }
        ready_.notify_all();
    }

    // Empty and open again (nothing may be consuming).
    void Reset() {
        std::lock_guard<std::mutex> lock(mutex_);
        items_.clear();
        closed_ = false;
    }

    size_t Size() {
        std::lock_guard<std::mutex> lock(mutex_);
        return items_.size();
    }
    size_t Capacity() const { return capacity_; }

private:
    const size_t capacity_;
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<Item> items_;
    bool closed_ = false;
};

} // namespace dshow
