#pragma once

#include <deque>
#include <mutex>

// A locked first-in first-out list of notices, emptied by one polling worker.
template <class Item>
class Polled_Queue
{
public:
    void push(const Item& item)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_items.push_back(item);
    }

    bool pop(Item* item)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_items.empty())
            return false;
        *item = m_items.front();
        m_items.pop_front();
        return true;
    }

private:
    std::mutex m_mutex;
    std::deque<Item> m_items;
};
