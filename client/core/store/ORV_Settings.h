#pragma once

#include <QSettings>
#include <QString>
#include <QVariant>

// The client's settings file "config.ini" (INI, "GBK" codec, general section
// only). It sits beside the program when that folder is writable, else in
// the user's configuration folder ($XDG_CONFIG_HOME/Quillfen). The folder
// can be chosen by the environment variable QUILLFEN_CONFIG_DIR or by
// set_settings_folder() before the first get_settings(), so that tests and a
// second client on the same machine keep their own file.

namespace ORV_Settings_Key {
constexpr const char* have_colour_config = "have_colour_config";
constexpr const char* top_colour = "top_colour";
constexpr const char* left_colour = "left_colour";
constexpr const char* middle_colour = "middle_colour";
constexpr const char* have_server_config = "have_server_config";
constexpr const char* is_net_server = "is_net_server";
constexpr const char* lan_server_ip = "lan_server_ip";
constexpr const char* file_down = "file_down";
constexpr const char* file_up = "file_up";
} // namespace ORV_Settings_Key

namespace ORV {
constexpr int DEFAULT_TOP_COLOUR = 0xF75455;
constexpr int DEFAULT_LEFT_COLOUR = 0xF8A32F;
constexpr int DEFAULT_MIDDLE_COLOUR = 0x3ADDC8;
} // namespace ORV

// The process-wide settings object, made on first call. GUI thread only.
QSettings& get_settings();

// Where config.ini is (or will be) kept.
QString settings_file_path();

// Has effect only before the first get_settings().
void set_settings_folder(const QString& folder);

// Writes one value and puts it on disk at once, so nothing set just before
// the program ends is lost. A text the file's codec cannot hold (a folder
// name with characters outside GBK) is refused rather than stored garbled;
// the result says whether the value was written.
bool write_setting(const QString& key, const QVariant& value);
