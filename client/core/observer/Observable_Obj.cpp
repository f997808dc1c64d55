#include "client/core/observer/Observable_Obj.h"

#include "client/core/observer/Observer_Obj.h"

Observable_Obj::~Observable_Obj()
{
    const std::vector<QPointer<Observer_Obj>> subjects = m_subjects;
    for (const QPointer<Observer_Obj>& subject : subjects) {
        if (subject)
            subject->detach(this);
    }
}
