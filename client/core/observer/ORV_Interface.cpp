#include "client/core/observer/ORV_Interface.h"

#include "client/core/observer/Observer_Obj.h"

ORV_Interface::ORV_Interface(Observer_Obj* subject)
    : m_subject(subject)
{
}

ORV_Interface::~ORV_Interface()
{
    delete m_subject;
    m_subject = nullptr;
}

void ORV_Interface::attach(Observable_Obj* page)
{
    if (m_subject)
        m_subject->attach(page);
}

void ORV_Interface::detach(Observable_Obj* page)
{
    if (m_subject)
        m_subject->detach(page);
}
