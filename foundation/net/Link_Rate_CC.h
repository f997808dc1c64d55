#pragma once

// UDT's hook for Link_Rate_Control: set on a socket with UDT_CC (through a
// CCCFactory<Link_Rate_CC>); accepted sockets inherit it from their listener.
// It acts at the sender only, so peers without it still connect.

#include "foundation/net/Link_Rate_Control.h"

#include <ccc.h>

class Link_Rate_CC : public CCC
{
public:
    Link_Rate_CC() = default;

    void init() override;
    void onACK(int32_t ack_seq) override;
    void onLoss(const int32_t* list, int size) override;
    void onTimeout() override;
    void onPktSent(const CPacket* packet) override;

private:
    void apply();

    Link_Rate_Control m_control;
};
