#include "client/ui/records/ORV_DownRecord_Observer_Obj.h"

void ORV_DownRecord_Observer_Obj::add_transfer(ORV_DownRecord_Data record)
{
    ORV_DownRecord_Event event;
    event.identity = record.down_uuid;
    event.record = std::move(record);
    event.kind = ORV_DownRecord_Event::STARTED;
    append(std::move(event));
}

void ORV_DownRecord_Observer_Obj::progress_transfer(const QString &identity, const QString &speed, int percentage)
{
    ORV_DownRecord_Event event;
    event.identity = identity;
    event.progress_identity = identity;
    event.speed_text = speed;
    event.percentage = percentage;
    event.kind = ORV_DownRecord_Event::PROGRESS;
    append(std::move(event));
}

void ORV_DownRecord_Observer_Obj::end_transfer(const QString &identity, bool failed, const QString &saved_path)
{
    ORV_DownRecord_Event event;
    event.identity = identity;
    event.saved_path = saved_path;
    event.kind = failed ? ORV_DownRecord_Event::FAILED : ORV_DownRecord_Event::ENDED;
    append(std::move(event));
}

QList<ORV_DownRecord_Event> ORV_DownRecord_Observer_Obj::take_events()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    QList<ORV_DownRecord_Event> events;
    events.swap(m_events);
    return events;
}

void ORV_DownRecord_Observer_Obj::append(ORV_DownRecord_Event event)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_events.append(std::move(event));
    }
    emit signal_sexcessive();
}
