#include "client/core/observer/Observer_Obj.h"

#include "client/core/ORV_Log.h"
#include "client/core/observer/Observable_Obj.h"

#include <algorithm>
#include <vector>

Observer_Obj::Observer_Obj()
{
    connect(this, &Observer_Obj::signal_sexcessive, this, &Observer_Obj::slot_excessive);
}

Observer_Obj::~Observer_Obj() = default;

void Observer_Obj::attach(Observable_Obj* page)
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (std::find(m_pages.begin(), m_pages.end(), page) != m_pages.end())
            return;
        log_line("注册观察者");
        m_pages.push_back(page);
    }
    page->m_subjects.emplace_back(this);
}

void Observer_Obj::detach(Observable_Obj* page)
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        const auto found = std::find(m_pages.begin(), m_pages.end(), page);
        if (found == m_pages.end())
            return;
        log_line("注销观察者");
        m_pages.erase(found);
    }
    auto& subjects = page->m_subjects;
    subjects.erase(std::remove(subjects.begin(), subjects.end(), this), subjects.end());
}

bool Observer_Obj::is_attached(Observable_Obj* page)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return std::find(m_pages.begin(), m_pages.end(), page) != m_pages.end();
}

void Observer_Obj::notify()
{
    std::vector<Observable_Obj*> pages;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        pages.assign(m_pages.begin(), m_pages.end());
    }
    for (Observable_Obj* page : pages) {
        // An earlier page's update may have detached (or destroyed) this one.
        if (is_attached(page))
            page->update(this);
    }
}

void Observer_Obj::slot_excessive()
{
    notify();
}
