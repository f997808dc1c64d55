#include "foundation/MessageDispatchLoop.h"

#include "foundation/M_Pack_Head.h"

#include <iostream>
#include <thread>

void dispatch_client_job(const Datagram_Job& job, std::ostream& out)
{
    M_Pack_Head head;
    unpack_header(head, job.block, ORV::BLOCK_SIZE);
    if (head.type == ORV::MSG_UNKNOWN)
        out << "未知消息哦" << std::endl;
    else if (head.type == ORV::MSG_LOGIN_REPLY)
        out << "登录反馈包" << std::endl;
}

void MessageDispatchLoop(ORV_Recv_Data_Manage& queue, std::ostream& out,
                         std::chrono::milliseconds idle)
{
    Datagram_Job job;
    while (!queue.stop_requested()) {
        if (queue.pop(job))
            dispatch_client_job(job, out);
        else
            queue.wait_for_work(idle);
    }
}

ORV_Recv_Data_Manage& ORV_Recv_Data_Manage::instance()
{
    return instance([](ORV_Recv_Data_Manage& queue) {
        std::thread([&queue] { MessageDispatchLoop(queue, std::cout); }).detach();
    });
}
