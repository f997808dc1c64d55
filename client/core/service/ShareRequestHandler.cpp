#include "client/core/service/ShareRequestHandler.h"

#include "client/core/binding/Net_Dll_Access.h"
#include "client/core/transfer/ORV_File_UpDownload_Manage.h"
#include "client/core/ORV_Log.h"
#include "client/core/peer/ORV_Peer_Channel.h"
#include "client/core/peer/ORV_Share_List_Exchange.h"

namespace {

// The transfer runs on this thread: the next request on the connection is
// read only once it has ended.
bool serve_transfer(ORV_Peer_Channel& channel, const Message_Block& block)
{
    M_Pack_File_Request request;
    unpack_download_request(request, block.data(), ORV::BLOCK_SIZE);
    ORV_UpDown_Data job;
    job.from_file_request(request);
    ORV_File_UpDownload_Manage& manager = ORV_File_UpDownload_Manage::instance();
    switch (job.type) {
    case ORV::FILE_CODE_DOWNLOAD:
        return manager.serve_download_request(channel.socket(), job);
    case ORV::FILE_CODE_UPLOAD:
        return manager.serve_upload_request(channel.socket(), job);
    default:
        return true;
    }
}

// One request; false when the connection can no longer be trusted to be in
// step with the peer.
bool serve_request(ORV_Peer_Channel& channel, const Message_Block& block)
{
    M_Pack_Head head;
    unpack_header(head, block.data(), ORV::BLOCK_SIZE);
    switch (head.type) {
    case ORV::MSG_SHARE_REQUEST: {
        M_Pack_Share_Request request;
        unpack_share_request(request, block.data(), ORV::BLOCK_SIZE);
        return answer_share_list(channel, request);
    }
    case ORV::MSG_FILE_REQUEST:
        return serve_transfer(channel, block);
    default:
        log_line("脏数据");
        return true;
    }
}

} // namespace

void ShareRequestHandler(int sock)
{
    log_line("这是客户端哦");
    ORV_Peer_Channel channel(net_dll(), sock);
    const int silence_ms = ORV_File_UpDownload_Manage::instance().exchange_settings().timeout_ms;
    bool in_step = true;
    while (in_step) {
        // UDT never finds an idle connection to a vanished peer broken (its
        // keep-alives go unanswered without end), so a connection silent for
        // the exchange time-out is closed and its slot freed. A friend who
        // kept it finds it closed and asks again on a new one at once.
        channel.set_recv_timeout(silence_ms);
        Message_Block block;
        log_line("开始接收下一个消息");
        if (!channel.recv_block(block)) {
            log_line("socket_接受失败");
            break;
        }
        log_line("socket_接受到一次共享请求");
        // A peer that vanished leaves the end of what it was sent
        // unacknowledged: its connection is not waited on for ever.
        in_step = serve_request(channel, block) && channel.acknowledged(silence_ms);
    }
    if (in_step)
        channel.close();
    else
        channel.abort();
}
