#pragma once

#include "client/core/observer/ORV_Interface.h"

#include <QVariant>

class ORV_DownRecord_Observer_Obj;

// Controller of the record page: turns the transfer manager's progress maps
// into events of its subject. One per process.
class ORV_DownRecord_Interface : public ORV_Interface
{
    Q_OBJECT
public:
    static ORV_DownRecord_Interface *instance();

    void setup() override;
    ORV_DownRecord_Observer_Obj *record_subject() const;

    // The warning text of a failed download's or upload's error code (an
    // ORV_Transfer_Error); empty for a code that shows no box.
    static QString error_text(int error_msg, bool upload = false);

public slots:
    void slot_to_file_down(QVariant value);

private:
    ORV_DownRecord_Interface();
};
