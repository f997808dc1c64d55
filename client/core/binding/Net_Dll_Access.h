#pragma once

#include "transport/IDllClass.h"

// The library interface the client core's network code talks through: the
// binding's (fetched afresh on every call, as the library wants), or one that
// a test has put in its place.
IDllClass* net_dll();

// Puts `dll` in place of the binding for every later net_dll(); nullptr
// restores the binding. For tests.
void set_net_dll(IDllClass* dll);
