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
    explicit BoundedQueue(size_t capacity) : m_capacity(capacity ? capacity : 1) {}

    // False when the queue is full or closed: the item was not taken.
    bool TryPush(Item item) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_closed || m_items.size() >= m_capacity)
                return false;
            m_items.push_back(std::move(item));
        }
        m_ready.notify_one();
        return true;
    }

    // Waits for an item; false once the queue is closed and empty.
    bool Pop(Item* out) {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_ready.wait(lock, [this] { return m_closed || !m_items.empty(); });
        if (m_items.empty())
            return false;
        *out = std::move(m_items.front());
        m_items.pop_front();
        return true;
    }

    // No more items are taken; the consumer empties the queue and then ends.
    void Close() {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_closed = true;
        }
        m_ready.notify_all();
    }

    // Empty and open again (nothing may be consuming).
    void Reset() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_items.clear();
        m_closed = false;
    }

    size_t Size() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_items.size();
    }
    size_t Capacity() const { return m_capacity; }

private:
    const size_t m_capacity;
    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::deque<Item> m_items;
    bool m_closed = false;
};

} // namespace dshow
