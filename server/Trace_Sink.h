#pragma once

#include <string>

// Receives the server's diagnostic lines, one whole line per call, from any
// thread. An implementation must never block the caller for long: services
// write while they hold their own locks.
class Trace_Sink
{
public:
    virtual ~Trace_Sink() = default;
    virtual void write(const std::string& line) = 0;
};

// The windowed build: diagnostics go nowhere, as a GUI program's output would.
class Null_Trace_Sink : public Trace_Sink
{
public:
    void write(const std::string&) override {}
};
