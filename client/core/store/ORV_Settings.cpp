#include "client/core/store/ORV_Settings.h"

#include "client/core/ORV_Log.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTextCodec>

namespace {

QString& chosen_folder()
{
    static QString folder;
    return folder;
}

bool can_hold_settings(const QString& folder)
{
    if (folder.isEmpty())
        return false;
    const QFileInfo file(QDir(folder).filePath(QStringLiteral("config.ini")));
    return file.exists() ? file.isWritable() : QFileInfo(folder).isWritable();
}

QString settings_folder()
{
    if (!chosen_folder().isEmpty())
        return chosen_folder();
    const QString from_environment = qEnvironmentVariable("QUILLFEN_CONFIG_DIR");
    if (!from_environment.isEmpty())
        return from_environment;
    if (QCoreApplication::instance()) {
        const QString program_folder = QCoreApplication::applicationDirPath();
        if (can_hold_settings(program_folder))
            return program_folder;
    }
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(QStringLiteral("Quillfen"));
}

} // namespace

QString settings_file_path()
{
    return QDir(settings_folder()).filePath(QStringLiteral("config.ini"));
}

void set_settings_folder(const QString& folder)
{
    chosen_folder() = folder;
}

QSettings& get_settings()
{
    static QSettings* settings = [] {
        const QString path = settings_file_path();
        QDir().mkpath(QFileInfo(path).path());
        auto* made = new QSettings(path, QSettings::IniFormat);
        // Writers that set values directly still reach the disk at the end.
        if (QCoreApplication::instance())
            QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, made, &QSettings::sync);
        if (QTextCodec::codecForName("GBK"))
            made->setIniCodec("GBK");
        else
            log_line("GBK codec missing, config.ini kept in UTF-8");
        return made;
    }();
    return *settings;
}

bool write_setting(const QString& key, const QVariant& value)
{
    QSettings& settings = get_settings();
    const QTextCodec* codec = settings.iniCodec();
    if (codec && value.type() == QVariant::String && !codec->canEncode(value.toString())) {
        log_line(QStringLiteral("setting not written, its text does not fit the file's codec: ") + key);
        return false;
    }
    settings.setValue(key, value);
    settings.sync();
    return settings.status() == QSettings::NoError;
}
