#include "transport/Call_Back_Slot.h"

std::atomic<ORV_Call_Back_Object*> Call_Back_Slot::s_object{nullptr};

void Call_Back_Slot::set(ORV_Call_Back_Object* object)
{
    s_object.store(object);
}

ORV_Call_Back_Object* Call_Back_Slot::get()
{
    return s_object.load();
}
