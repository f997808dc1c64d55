#pragma once

// The client's dispatcher: it only logs the two message types the client
// library passes on without consuming (0 and 4).

#include "foundation/ORV_Recv_Data_Manage.h"

#include <chrono>
#include <ostream>

constexpr std::chrono::milliseconds DISPATCH_IDLE{500};

// Handles one job: "未知消息哦" for type 0, "登录反馈包" for type 4, nothing else.
void dispatch_client_job(const Datagram_Job& job, std::ostream& out);

// Empties `queue` until it is asked to stop, idling `idle` when it is empty.
void MessageDispatchLoop(ORV_Recv_Data_Manage& queue, std::ostream& out,
                         std::chrono::milliseconds idle = DISPATCH_IDLE);
