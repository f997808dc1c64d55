#pragma once

#include "client/ui/explorer/ORV_Explorer_From.h"

// Page 1: the local computer's drives and folders.
class ORV_File_Explorer_From : public ORV_Explorer_From
{
    Q_OBJECT
public:
    using ORV_Explorer_From::ORV_Explorer_From;
    static ORV_File_Explorer_From *instance();

    void build() override;

public slots:
    void slot_all_event(QVariantMap map) override;
};

// Page 2: the user's own shares.
class ORV_Share_Explorer_From : public ORV_Explorer_From
{
    Q_OBJECT
public:
    using ORV_Explorer_From::ORV_Explorer_From;
    static ORV_Share_Explorer_From *instance();

    void build() override;

public slots:
    void slot_all_event(QVariantMap map) override;
};

// What pages 1 and 2 do with an event: open a local path (the waiting
// prompt only when a listing will follow) or bring up the share page.
void handle_local_event(ORV_Explorer_From *page, const QVariantMap &map);
