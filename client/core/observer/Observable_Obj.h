#pragma once

#include <QPointer>

#include <vector>

class Observer_Obj;

// The page side of a subject: told by update() that the subject changed, it
// then reads the subject's state. A page detaches from its subjects when it
// is destroyed, so no subject calls a page that is gone. Pages live on the
// GUI thread; attach, detach and destruction happen there.
class Observable_Obj
{
public:
    Observable_Obj() = default;
    Observable_Obj(const Observable_Obj&) = delete;
    Observable_Obj& operator=(const Observable_Obj&) = delete;
    virtual ~Observable_Obj();

    virtual void update(Observer_Obj* subject) = 0;

private:
    friend class Observer_Obj;
    std::vector<QPointer<Observer_Obj>> m_subjects;
};
