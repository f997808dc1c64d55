#include "foundation/platform/XdgAutostartStore.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace {

const char entry_name[] = "Quillfen.desktop";

QString absolute_variable_or(const char *name, const QString &fallback)
{
    const QString value = qEnvironmentVariable(name);
    return QDir::isAbsolutePath(value) ? value : fallback;
}

// Desktop entry string values escape the backslash and line breaks.
QString escaped_string_value(const QString &text)
{
    QString escaped;
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '\\': escaped += QLatin1String("\\\\"); break;
        case '\n': escaped += QLatin1String("\\n"); break;
        case '\r': escaped += QLatin1String("\\r"); break;
        case '\t': escaped += QLatin1String("\\t"); break;
        default: escaped += c;
        }
    }
    return escaped;
}

} // namespace

XdgAutostartStore::XdgAutostartStore(const QString &user_folder, const QString &system_folder)
    : user_folder_(user_folder), system_folder_(system_folder)
{
}

XdgAutostartStore XdgAutostartStore::from_environment()
{
    const QString config_home =
        absolute_variable_or("XDG_CONFIG_HOME", QDir::homePath() + QLatin1String("/.config"));
    QString config_dir = QStringLiteral("/etc/xdg");
    const QStringList dirs = qEnvironmentVariable("XDG_CONFIG_DIRS").split(QLatin1Char(':'));
    if (QDir::isAbsolutePath(dirs.first()))
        config_dir = dirs.first();
    return XdgAutostartStore(config_home + QLatin1String("/autostart"),
                             config_dir + QLatin1String("/autostart"));
}

QString XdgAutostartStore::entry_path(View view) const
{
    const QString &folder = view == View::user ? user_folder_ : system_folder_;
    return folder + QLatin1Char('/') + QLatin1String(entry_name);
}

bool XdgAutostartStore::exists(View view) const
{
    return QFile::exists(entry_path(view));
}

QByteArray XdgAutostartStore::entry_text(const QString &command)
{
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Quillfen\n"
                          "Exec=%1\n"
                          "Terminal=false\n"
                          "X-GNOME-Autostart-enabled=true\n")
        .arg(escaped_string_value(command))
        .toUtf8();
}

bool XdgAutostartStore::write(View view, const QString &command)
{
    if (view != View::user || !QDir().mkpath(user_folder_))
        return false;
    QSaveFile file(entry_path(view));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(entry_text(command));
    return file.commit();
}

bool XdgAutostartStore::remove(View view)
{
    const QString path = entry_path(view);
    return QFile::remove(path) || !QFile::exists(path);
}
