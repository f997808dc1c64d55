#pragma once

#include "client/core/browse/ORV_Browse_Observer_Obj.h"

// The local computer: its home view lists the file systems a user browses.
class ORV_File_Browse_Observer_Obj : public ORV_Browse_Observer_Obj
{
    Q_OBJECT

public:
    ORV_File_Browse_Observer_Obj();
    ~ORV_File_Browse_Observer_Obj() override;

    void entry_infos(std::vector<QFileInfo>& out) override;

    // The root, the home folder and mounted media (/media, /run/media,
    // /mnt), each once, those without a readable time left out.
    static std::vector<QFileInfo> ready_drives();

    // Where desktops mount removable and extra media: /media/<label>,
    // /media/<user>/<label>, /run/media/<user>/<label> and /mnt/<label>.
    // Deeper mounts are system plumbing, not something a user browses.
    static bool is_media_mount(const QString& root);

protected:
    QList<ORV_FileExplorer_Table_Row_Data> list_home() override;
};
