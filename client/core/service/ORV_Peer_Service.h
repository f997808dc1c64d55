#pragma once

// Starts the service of admitted peer connections (ShareRequestHandler, one
// thread per socket) and bounds how many run at once.
class ORV_Peer_Service
{
public:
    // Connections served at once; further ones are closed at once, so a peer
    // opening connections without end cannot exhaust this client.
    static constexpr int MAX_SERVICE_THREADS = 64;
    // Tests serve fewer at once.
    static void set_max_connections(int limit);

    // GUI thread, before the library is given the identity (which starts its
    // listener): makes the managers that serving needs, so none of them is
    // first made on a service thread, and hands the callback object the
    // service for every admitted socket.
    static void install();

    // Serves one socket on the calling thread, or closes it when the limit
    // is reached.
    static void serve(int sock);

    static int active();
};
