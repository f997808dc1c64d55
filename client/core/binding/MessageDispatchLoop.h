#pragma once

// The client's dispatcher: it empties the message queue into which the
// callback object copies the datagrams the library passes on, and only logs
// the two types the client has a line for (0 and 4).

#include "foundation/ORV_Recv_Data_Manage.h"

#include <chrono>
#include <functional>
#include <string>

constexpr std::chrono::milliseconds DISPATCH_IDLE{500};

using Dispatch_Log = std::function<void(const std::string& line)>;

// Handles one job: "未知消息哦" for type 0, "登录反馈包" for type 4, nothing else.
void dispatch_client_job(const Datagram_Job& job, const Dispatch_Log& log);

// Empties `queue` until it is asked to stop, idling `idle` when it is empty.
void MessageDispatchLoop(ORV_Recv_Data_Manage& queue, std::chrono::milliseconds idle, const Dispatch_Log& log);
// The client's: idles 500 ms, lines to the client's log.
void MessageDispatchLoop(ORV_Recv_Data_Manage& queue);
