#include "transport/Transport_Settings.h"

#include "foundation/Period_Overrides.h"

Transport_Settings Transport_Settings::with_overrides(const char* overrides)
{
    const Period_Overrides given(overrides);
    Transport_Settings settings;
    Transport_Timings& t = settings.timings;
    given.apply("heartbeat", &t.heartbeat);
    given.apply("server_recv_timeout", &t.server_recv_timeout);
    given.apply("queue_idle", &t.queue_idle);
    given.apply("handshake_timeout", &t.handshake_timeout);
    given.apply("answer_timeout", &t.answer_timeout);
    given.apply("punch_wait", &t.punch_wait);
    given.apply("punch_connect_delay", &t.punch_connect_delay);
    given.apply("punch_accept_deadline", &t.punch_accept_deadline);
    given.apply("error_backoff", &t.error_backoff);
    given.apply("peer_silence", &t.peer_silence);
    return settings;
}

Udt_Net::Socket_Options Transport_Settings::socket_options() const
{
    Udt_Net::Socket_Options options;
    options.send_timeout_ms = static_cast<int>(timings.peer_silence.count());
    return options;
}
