#pragma once

#include <QString>

// Where the "Run" value lives. Two views are read; only the user view is
// written, the system view can be removed when the user may do so.
class AutostartStore {
public:
    enum class View { user, system };

    virtual ~AutostartStore() = default;
    virtual bool exists(View view) const = 0;
    virtual bool write(View view, const QString &command) = 0;
    virtual bool remove(View view) = 0;
};
