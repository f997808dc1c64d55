#pragma once

// SIGTERM, SIGINT and SIGHUP (the session ending, Ctrl+C) end the running
// application's event loop, so the program leaves through its normal exit
// steps. Needs the QCoreApplication; call once.
void quit_on_termination_signals();
