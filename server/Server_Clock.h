#pragma once

#include "foundation/ORV_Clock.h"

// The server's clock is the one every wing takes from outside.
using Server_Clock = ORV_Clock;
