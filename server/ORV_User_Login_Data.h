#pragma once

#include "foundation/ORV_Peer_Data.h"

#include <string>

// Login statistics of one identity, as the statistics window shows them.
struct ORV_User_Login_Data
{
    ORV_Peer_Data peer;                            // the record of the last counted login
    std::string last_login = "0000年00月 00:00:00"; // "yyyy-MM-dd hh:mm:ss ddd", local time
    int login_count = 0;
};
