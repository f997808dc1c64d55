#pragma once

#include <QObject>

#include <list>
#include <mutex>

class Observable_Obj;

// A subject: keeps some state (often built on worker threads) and tells its
// attached pages when it changed. signal_sexcessive() may be emitted from any
// thread; the subject lives on the GUI thread, so the pages are always
// updated there.
class Observer_Obj : public QObject
{
    Q_OBJECT

public:
    Observer_Obj();
    ~Observer_Obj() override;

    void attach(Observable_Obj* page);
    void detach(Observable_Obj* page);
    // Pages are called outside the lock, so an update may attach, detach or
    // make the subject notify again.
    void notify();

    // The subject's first step once its controller is set up.
    virtual void start_view() = 0;

signals:
    void signal_sexcessive();

public slots:
    void slot_excessive();

private:
    bool is_attached(Observable_Obj* page);

    std::mutex m_mutex;
    std::list<Observable_Obj*> m_pages;
};
