#pragma once

// UDT's one start-up per process, done before the first UDT socket.
void udt_startup();

// Ends UDT's own threads before the process exits, so none runs on into the
// destruction of UDT's globals.
void udt_cleanup();
