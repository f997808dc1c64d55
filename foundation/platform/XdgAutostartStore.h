#pragma once

#include "foundation/platform/AutostartStore.h"

// The "Run" value as XDG autostart entries named "Quillfen.desktop": the user
// view under $XDG_CONFIG_HOME/autostart, the system view under the first
// folder of $XDG_CONFIG_DIRS (/etc/xdg by default), which is never written.
class XdgAutostartStore : public AutostartStore {
public:
    XdgAutostartStore(const QString &user_folder, const QString &system_folder);

    // Folders from the XDG variables as they are at the time of the call.
    static XdgAutostartStore from_environment();

    bool exists(View view) const override;
    bool write(View view, const QString &command) override;
    bool remove(View view) override;

    QString entry_path(View view) const;

    // The desktop entry file's text for a command line; the command is
    // escaped as a desktop entry string value.
    static QByteArray entry_text(const QString &command);

private:
    QString user_folder_;
    QString system_folder_;
};
