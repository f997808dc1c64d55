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
    // UDT resends a gap on its own time-out only, and its own is reset by
    // every packet the peer sends: on a lossy link a lost loss report then
    // stalls the stream for seconds. A fixed, short time-out resends sooner.
    setRTO(50000);
    apply();
}

void Link_Rate_CC::onACK(int32_t ack_seq)
{
    m_control.on_ack(now_us(), ack_seq, m_iRTT);
    apply();
}

void Link_Rate_CC::onLoss(const int32_t* list, int size)
{
    m_control.on_loss(list, size);
}

void Link_Rate_CC::onTimeout()
{
    m_control.on_timeout(now_us());
    apply();
}

void Link_Rate_CC::apply()
{
    m_dPktSndPeriod = m_control.send_period_us();
    // UDT sends no more than the peer's flow window whatever this says.
    m_dCWndSize = m_control.window_packets();
}
