#include "client/core/binding/MessageDispatchLoop.h"

#include "client/core/ORV_Log.h"
#include "foundation/M_Pack_Head.h"

#include <thread>

void dispatch_client_job(const Datagram_Job& job, const Dispatch_Log& log)
{
    M_Pack_Head head;
    unpack_header(head, job.block, ORV::BLOCK_SIZE);
    if (head.type == ORV::MSG_UNKNOWN)
        log("未知消息哦");
    else if (head.type == ORV::MSG_LOGIN_REPLY)
        log("登录反馈包");
}

void MessageDispatchLoop(ORV_Recv_Data_Manage& queue, std::chrono::milliseconds idle, const Dispatch_Log& log)
{
    Datagram_Job job;
    while (!queue.stop_requested()) {
        if (queue.pop(job))
            dispatch_client_job(job, log);
        else
            queue.wait_for_work(idle);
    }
}

void MessageDispatchLoop(ORV_Recv_Data_Manage& queue)
{
    MessageDispatchLoop(queue, DISPATCH_IDLE, [](const std::string& line) { log_line(line); });
}

ORV_Recv_Data_Manage& ORV_Recv_Data_Manage::instance()
{
    return instance([](ORV_Recv_Data_Manage& queue) {
        std::thread([&queue] { MessageDispatchLoop(queue); }).detach();
    });
}
