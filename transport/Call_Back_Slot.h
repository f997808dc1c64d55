#pragma once

#include <atomic>

class ORV_Call_Back_Object;

// The callback object given to IDllClass::set_call_back. The GUI thread sets
// it while library threads call through it, so it is read atomically and each
// callback uses the object current at that moment.
class Call_Back_Slot
{
public:
    void set(ORV_Call_Back_Object* object) { m_object.store(object); }
    ORV_Call_Back_Object* get() const { return m_object.load(); }

private:
    std::atomic<ORV_Call_Back_Object*> m_object{nullptr};
};
