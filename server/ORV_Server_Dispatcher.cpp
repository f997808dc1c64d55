#include "server/ORV_Server_Dispatcher.h"

#include "foundation/ORV_Peer_Data.h"
#include "foundation/ORV_Recv_Data_Manage.h"
#include "foundation/Relay_Records.h"
#include "foundation/Server_Records.h"
#include "server/ORV_NAT_Server.h"
#include "server/ORV_P2P_Server.h"
#include "server/ORV_User_Data_Manage.h"
#include "server/Trace_Sink.h"

ORV_Server_Dispatcher::ORV_Server_Dispatcher(ORV_Recv_Data_Manage& queue, ORV_User_Data_Manage& users,
                                             ORV_NAT_Server& nat, ORV_P2P_Server& matcher,
                                             const Server_Settings& settings, Trace_Sink& trace)
    : m_queue(queue), m_users(users), m_nat(nat), m_matcher(matcher), m_settings(settings), m_trace(trace)
{
}

ORV_Server_Dispatcher::~ORV_Server_Dispatcher()
{
    stop();
}

void ORV_Server_Dispatcher::start()
{
    m_thread = std::thread([this] { ServerDispatchLoop(); });
}

void ORV_Server_Dispatcher::stop()
{
    m_queue.request_stop();
    if (m_thread.joinable())
        m_thread.join();
}

void ORV_Server_Dispatcher::ServerDispatchLoop()
{
    Datagram_Job job;
    while (!m_queue.stop_requested()) {
        if (m_queue.pop(job))
            dispatch(job);
        else
            m_queue.wait_for_work(m_settings.timings.dispatcher_idle);
    }
}

void ORV_Server_Dispatcher::dispatch(const Datagram_Job& job)
{
    M_Pack_Head head;
    unpack_header(head, job.block, ORV::BLOCK_SIZE);
    switch (head.type) {
    case ORV::MSG_UNKNOWN:
        m_trace.write("未知消息哦");
        break;
    case ORV::MSG_ONLINE:
        m_trace.write("上线消息哦");
        handle_login(job);
        break;
    case ORV::MSG_OFFLINE:
        m_trace.write("下线消息哦");
        handle_offline(job);
        break;
    case ORV::MSG_HEARTBEAT:
        handle_heartbeat(job);
        break;
    case ORV::MSG_LOGIN_REPLY:
        m_trace.write("登录反馈包");
        break;
    case ORV::MSG_P2P_REQUEST:
        handle_p2p_request(job);
        break;
    default:
        break;
    }
}

bool ORV_Server_Dispatcher::worth_dispatching(const Datagram_Job& job)
{
    M_Pack_Head head;
    unpack_header(head, job.block, ORV::BLOCK_SIZE);
    // Every record of these types names an identity right behind the header.
    const bool named = job.block[sizeof(M_Pack_Head)] != 0;
    switch (head.type) {
    case ORV::MSG_UNKNOWN:
    case ORV::MSG_LOGIN_REPLY:
        return true;
    case ORV::MSG_ONLINE:
    case ORV::MSG_OFFLINE:
    case ORV::MSG_HEARTBEAT:
        return named;
    case ORV::MSG_P2P_REQUEST: {
        M_Pack_P2P_Request request;
        unpack_p2p_request(request, job.block, ORV::BLOCK_SIZE);
        return named && request.target_id[0] != 0 && (request.code == 1 || request.code == 4);
    }
    default:
        return false;
    }
}

void ORV_Server_Dispatcher::handle_login(const Datagram_Job& job)
{
    M_Pack_Login record;
    unpack_login_record(record, job.block, ORV::BLOCK_SIZE);
    ORV_Peer_Data user = ORV_Peer_Data::from_login_record(record);
    if (user.identity.empty()) {
        m_trace.write("登录消息没有用户编号,已忽略");
        return;
    }
    user.set_address(job.address);
    const std::string identity = user.identity;
    // The port comparison runs after the login is stored, so that its result
    // lands on the entry whichever copy of the login arrives second.
    m_users.user_login(user);
    m_nat.check_address(identity, job.address);
}

void ORV_Server_Dispatcher::handle_offline(const Datagram_Job& job)
{
    M_Pack_Login record;
    unpack_login_record(record, job.block, ORV::BLOCK_SIZE);
    const std::string identity = read_text_field(record.identity);
    if (!identity.empty())
        m_users.user_offline(identity, job.address);
}

void ORV_Server_Dispatcher::handle_heartbeat(const Datagram_Job& job)
{
    M_Pack_Heartbeat record;
    unpack_heartbeat(record, job.block, ORV::BLOCK_SIZE);
    const std::string identity = read_text_field(record.identity);
    if (identity.empty())
        return;
    m_users.refresh_heartbeat(identity, job.address);
    m_trace.write("客户端的心跳包");
}

void ORV_Server_Dispatcher::handle_p2p_request(const Datagram_Job& job)
{
    M_Pack_P2P_Request request;
    unpack_p2p_request(request, job.block, ORV::BLOCK_SIZE);
    const std::string requester = read_text_field(request.requester_id);
    const std::string target = read_text_field(request.target_id);
    m_trace.write("P2P连接请求:");
    m_trace.write("请求方:" + requester);
    m_trace.write("被请求:" + target);
    m_trace.write("请求代码:" + std::to_string(request.code));
    if (requester.empty() || target.empty())
        return;
    if (request.code == ORV::STEP_REQUEST)
        request.requester_addr = job.address;
    else if (request.code == ORV::STEP_TARGET_CONFIRM)
        request.target_addr = job.address;
    if (!m_matcher.push_request(request))
        m_trace.write("P2P请求过多,已丢弃");
}
