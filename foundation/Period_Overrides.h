#pragma once

#include <chrono>
#include <map>
#include <string>

// Shorter periods for a program under test, given to it in its environment as
// "name=milliseconds,name=milliseconds". Only a program's start reads them;
// without them every period keeps its production value.
class Period_Overrides
{
public:
    // Null or empty: no overrides. A piece that is not name=number is ignored.
    explicit Period_Overrides(const char* text);

    // Sets `period` when `name` was given.
    void apply(const std::string& name, std::chrono::milliseconds* period) const;

private:
    std::map<std::string, long long> m_periods;
};
