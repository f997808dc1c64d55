#pragma once

// UDT's one start-up per process, done before the first UDT socket.
void udt_startup();
