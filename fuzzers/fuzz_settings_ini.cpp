// The client's settings file as the client reads it: INI format, "GBK"
// codec, every key it uses read as the type it expects.

#include "client/core/store/ORV_Settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTextCodec>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const QString path = QDir::tempPath() + QStringLiteral("/quillfen_fuzz_config.ini");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 0;
    file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    file.close();

    QSettings settings(path, QSettings::IniFormat);
    settings.setIniCodec("GBK");
    using namespace ORV_Settings_Key;
    for (const char* key : {have_colour_config, have_server_config, is_net_server})
        settings.value(key).toBool();
    for (const char* key : {top_colour, left_colour, middle_colour})
        settings.value(key).toInt();
    for (const char* key : {lan_server_ip, file_down, file_up})
        settings.value(key).toString().toStdString();
    settings.allKeys();
    return 0;
}
