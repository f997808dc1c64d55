#pragma once

#include "client/ui/explorer/ORV_Explorer_From.h"
#include "client/ui/explorer/ORV_Event_Map.h"

class ORV_Label_Obj;

// Page 3: the users online on the LAN and their shares, with downloads and
// uploads. A share list that failed or was refused is told to the user, and
// a line under the table says so while the server does not answer.
class ORV_LAN_Friend_From : public ORV_Explorer_From
{
    Q_OBJECT
public:
    using ORV_Explorer_From::ORV_Explorer_From;
    static ORV_LAN_Friend_From *instance();

    void build() override;
    void update(Observer_Obj *subject) override;
    ORV_Label_Obj *notice() const { return m_notice; }
    ORV_Label_Obj *listing_note() const { return m_listing_note; }

public slots:
    void slot_all_event(QVariantMap map) override;
    void slot_share_list_result(int result);
    void slot_server_contact(bool answering);

private:
    // Run from a queued call, after the row's handler has unwound: the
    // dialogs' event loops may rebuild the rows.
    void start_download(const Row_Data_Ptr &record);
    void choose_download_folder(const Row_Data_Ptr &record);
    void choose_upload_file(const Row_Data_Ptr &record);
    // A file of the download's name already in its folder: the user replaces
    // it, keeps both or cancels. False when nothing is to start.
    bool settle_existing_file(ORV_FileExplorer_Table_Row_Data &record);

    ORV_Label_Obj *m_notice = nullptr;
    ORV_Label_Obj *m_listing_note = nullptr;
};
