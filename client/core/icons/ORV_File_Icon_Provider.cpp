#include "client/core/icons/ORV_File_Icon_Provider.h"

#include "client/core/icons/ORV_Icon_Cache.h"

#include <QFileIconProvider>

#include <memory>

void install_file_icon_provider()
{
    auto provider = std::make_shared<QFileIconProvider>();
    ORV_Icon_Cache::instance().set_provider(
        [provider](const QFileInfo& info) { return provider->icon(info); });
}
