#include "foundation/net/Link_Rate_CC.h"

#include <chrono>

namespace {

std::int64_t now_us()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

void Link_Rate_CC::init()
{
    // As a receiver: a full acknowledgement every batch of packets. UDT's
    // light acknowledgements slide the window but do not wake a sender that
    // the window stopped; only full ones do, and those come every 10 ms.
    setACKInterval(Link_Rate_Control::ACK_EVERY);
    apply();
}

void Link_Rate_CC::onACK(int32_t ack_seq)
{
    m_control.on_ack(now_us(), ack_seq);
    apply();
}

void Link_Rate_CC::onLoss(const int32_t* list, int size)
{
    m_control.on_loss(list, size);
    apply();
}

void Link_Rate_CC::onTimeout()
{
    m_control.on_timeout(now_us());
    apply();
}

void Link_Rate_CC::onPktSent(const CPacket* packet)
{
    const std::int64_t now = now_us();
    m_control.on_sent(now, packet->m_iSeqNo);
    // Short while data waits for its acknowledgement, long otherwise.
    setRTO(m_control.timeout_us(now));
}

void Link_Rate_CC::apply()
{
    m_dPktSndPeriod = m_control.send_period_us();
    // UDT sends no more than the peer's flow window whatever this says.
    m_dCWndSize = m_control.window_packets();
    setRTO(m_control.timeout_us(now_us()));
}
