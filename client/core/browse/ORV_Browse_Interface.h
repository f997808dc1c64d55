#pragma once

#include "client/core/observer/ORV_Interface.h"

#include <QString>

class ORV_Browse_Observer_Obj;
class ORV_FileExplorer_Table_Row_Data;

// Controller of a browse subject: the explorer pages' navigation and
// transfer requests.
class ORV_Browse_Interface : public ORV_Interface
{
    Q_OBJECT

public:
    explicit ORV_Browse_Interface(ORV_Browse_Observer_Obj* subject);

    void setup() override;
    ORV_Browse_Observer_Obj* browse_subject() const;

public slots:
    void slot_refresh_page();
    void slot_back_page();
    void slot_search_page();
    void slot_to_open_file(QString path);
    void slot_to_share_file(QString path, int grade);
    // Both take over the heap row the page made.
    void slot_down_file(ORV_FileExplorer_Table_Row_Data* row);
    void slot_up_file(ORV_FileExplorer_Table_Row_Data* row);
};
