#include "foundation/platform/DataHome.h"

#include <QDir>

QString data_home_folder()
{
    const QString value = qEnvironmentVariable("XDG_DATA_HOME");
    if (QDir::isAbsolutePath(value))
        return QDir::cleanPath(value);
    return QDir::homePath() + QLatin1String("/.local/share");
}
