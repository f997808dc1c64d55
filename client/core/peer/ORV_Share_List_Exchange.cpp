#include "client/core/peer/ORV_Share_List_Exchange.h"

#include "client/core/ORV_Log.h"
#include "client/core/share/ORV_Share_Data_Manage.h"

#include <algorithm>

std::optional<M_Pack_Share_Request> make_share_list_request(const std::string& my_uuid,
                                                            const std::string& computer_name,
                                                            const std::string& path)
{
    return pack_share_request(new_header(ORV::MSG_SHARE_REQUEST), my_uuid, std::string(), computer_name,
                              path, path.empty());
}

bool answer_share_list(ORV_Peer_Channel& channel, const M_Pack_Share_Request& request)
{
    log_line("确实是共享请求");
    std::vector<M_Pack_Share_Item> entries;
    std::int32_t left_out = 0;
    ORV_Share_Data_Manage::instance().build_share_rows(entries, read_text_field(request.reserved),
                                                       read_text_field(request.identity),
                                                       read_text_field(request.path), request.is_root != 0,
                                                       &left_out);
    // What a requester would refuse as a whole is cut to what it takes.
    if (entries.size() > static_cast<std::size_t>(ORV::SHARE_LIST_MAX_ENTRIES)) {
        left_out += static_cast<std::int32_t>(entries.size() - ORV::SHARE_LIST_MAX_ENTRIES);
        entries.resize(ORV::SHARE_LIST_MAX_ENTRIES);
    }
    const M_Pack_Share_Reply reply = pack_share_reply(new_header(ORV::MSG_SHARE_REPLY), ORV::SHARE_REPLY_ENTRIES,
                                                      static_cast<std::int32_t>(entries.size()), left_out);
    if (!channel.send_record(reply))
        return false;
    for (const M_Pack_Share_Item& entry : entries) {
        if (!channel.send_record(entry)) {
            log_line("发送失败");
            return false;
        }
        log_line("发送成功");
    }
    return true;
}

ORV_Share_List_Reply receive_share_list(ORV_Peer_Channel& channel)
{
    ORV_Share_List_Reply reply;
    Message_Block block;
    if (!channel.recv_block(block)) {
        log_line("接收socket中断");
        return reply;
    }
    reply.answered = true;
    M_Pack_Share_Reply head;
    unpack_share_reply(head, block.data(), ORV::BLOCK_SIZE);
    log_line("收到数据包长度：" + std::to_string(head.count));
    // Any other block here means the connection is no longer where this
    // exchange began: nothing of it is read as an answer.
    if (head.head.type != ORV::MSG_SHARE_REPLY)
        return reply;
    if (head.status == ORV::SHARE_REPLY_REFUSED) {
        reply.result = ORV::SHARE_LIST_REFUSED;
        reply.in_step = head.count == 0;
        return reply;
    }
    if (head.status != ORV::SHARE_REPLY_ENTRIES) {
        // Nothing to list; whatever else the peer meant, its blocks are not read.
        reply.result = head.status == 0 ? ORV::SHARE_LIST_FAILED : ORV::SHARE_LIST_DONE;
        return reply;
    }
    if (head.count < 0 || head.count > ORV::SHARE_LIST_MAX_ENTRIES)
        return reply;
    for (std::int32_t i = 0; i < head.count; ++i) {
        if (!channel.recv_block(block)) {
            log_line("接收失败");
            return reply;
        }
        log_line("收到一个：");
        M_Pack_Share_Item entry;
        if (unpack_share_entry(entry, block.data(), ORV::BLOCK_SIZE).head.type != ORV::MSG_SHARE_ITEM)
            return reply;
        reply.entries.push_back(entry);
    }
    reply.result = ORV::SHARE_LIST_DONE;
    reply.in_step = true;
    reply.left_out = std::max(head.left_out, 0);
    return reply;
}
