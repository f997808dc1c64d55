#include "foundation/ProgramDataFolder.h"

#include "foundation/platform/DataHome.h"

#include <QDir>

QString program_data_folder()
{
    const QString folder = data_home_folder() + QLatin1String("/Quillfen");
    // The whole chain: ~/.local/share may itself be missing on a fresh account.
    QDir().mkpath(folder);
    return folder;
}
