#pragma once

#include "client/core/observer/Observer_Obj.h"
#include "client/ui/records/ORV_DownRecord_Event.h"

#include <QList>

#include <mutex>

// The record page's subject: transfer changes waiting for the page.
class ORV_DownRecord_Observer_Obj : public Observer_Obj
{
    Q_OBJECT
public:
    void start_view() override {}

    // Each appends one event and notifies.
    void add_transfer(ORV_DownRecord_Data record);
    void progress_transfer(const QString &identity, const QString &speed, int percentage);
    // `saved_path`: the file a download was saved under, when known.
    void end_transfer(const QString &identity, bool failed, const QString &saved_path = QString());

    // Hands out the pending events and leaves none.
    QList<ORV_DownRecord_Event> take_events();

private:
    void append(ORV_DownRecord_Event event);

    std::mutex m_mutex;
    QList<ORV_DownRecord_Event> m_events;
};
