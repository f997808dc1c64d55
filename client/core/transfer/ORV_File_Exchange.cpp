#include "client/core/transfer/ORV_File_Exchange.h"

#include "client/core/ORV_Log.h"
#include "client/core/peer/ORV_Peer_Channel.h"
#include "client/core/transfer/ORV_Received_File.h"
#include "client/core/share/ORV_Share_Data_Manage.h"
#include "client/core/records/ORV_Share_File_Data.h"
#include "client/core/transfer/ORV_Transfer_Meter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <vector>

namespace {

using Outcome = ORV_File_Exchange::Outcome;

// Any code but 4 tells a requester that no data follows.
constexpr std::int32_t FILE_CODE_REFUSED = 2;

// Upload answer: byte 0 says the upload may go ahead, byte 1 that a file of
// that name is already there.
constexpr int UPLOAD_ALLOWED = 0;
constexpr int UPLOAD_TARGET_EXISTS = 1;

// The key every share-list request of this system carries, so a peer may
// fetch exactly what its listing showed it.
const std::string SHARE_KEY;

// The receive time-out holds while an exchange runs; between requests a
// served connection may idle as long as it likes.
class Exchange_Timeout
{
public:
    Exchange_Timeout(ORV_Peer_Channel& channel, int ms) : m_channel(channel)
    {
        m_channel.set_recv_timeout(ms);
    }
    ~Exchange_Timeout() { m_channel.set_recv_timeout(ORV_Peer_Channel::NO_TIMEOUT); }
    Exchange_Timeout(const Exchange_Timeout&) = delete;
    Exchange_Timeout& operator=(const Exchange_Timeout&) = delete;

private:
    ORV_Peer_Channel& m_channel;
};

bool logged(bool ok, const char* done_text, const char* failed_text)
{
    log_line(ok ? done_text : failed_text);
    return ok;
}

Message_Block answer_block(const ORV_UpDown_Data& job, std::int32_t code, std::int64_t size)
{
    M_Pack_File_Request record{};
    if (const auto request = job.to_file_request())
        record = *request;
    else
        record.head = new_header(ORV::MSG_FILE_REQUEST);
    record.code = code;
    record.size = size;
    return to_block(record);
}

// What either end of a data phase keeps: the bytes still to go, one piece's
// buffer and the progress meter reporting under the job's identity.
struct Data_Phase
{
    Data_Phase(const ORV_File_Exchange::Progress& progress, const std::string& down_uuid, std::int64_t size,
               int piece_size)
        : to_go(size)
        , piece_bytes(piece_size)
        , buffer(static_cast<std::size_t>(next_piece()))
        , meter(size, [&progress, id = QString::fromStdString(down_uuid)](const QString& speed, int percent) {
            progress(id, speed, percent);
        })
    {
    }

    int next_piece() const { return static_cast<int>(std::min<std::int64_t>(to_go, piece_bytes)); }
    char* piece() { return buffer.data(); }

    std::int64_t to_go;
    int piece_bytes;
    std::vector<char> buffer;
    ORV_Transfer_Meter meter;
};

} // namespace

ORV_File_Exchange::ORV_File_Exchange(IDllClass* dll, Settings settings, Progress progress)
    : m_dll(dll), m_settings(settings), m_progress(std::move(progress))
{
    m_settings.piece_bytes = std::max(m_settings.piece_bytes, 1);
}

Outcome ORV_File_Exchange::send_file(int sock, const ORV_UpDown_Data& job)
{
    ORV_Peer_Channel channel(m_dll, sock);
    const Exchange_Timeout timeout(channel, m_settings.timeout_ms);
    const QString path = QString::fromStdString(job.from_path);
    const QFileInfo info(path);
    if (info.exists())
        log_line("文件存在");

    QFile file(path);
    const bool readable = info.isFile() && file.open(QIODevice::ReadOnly);
    const std::int64_t size = readable ? file.size() : 0;
    const bool answered =
        logged(channel.send_block(answer_block(job, readable ? ORV::FILE_CODE_ANSWER : FILE_CODE_REFUSED, size)),
               "8:文件下载请求发送--成功", "8:文件下载请求发送--失败");
    if (!answered)
        return Outcome::Broken;
    if (!readable)
        return Outcome::Failed;

    log_line("开始文件传输");
    const QString id = QString::fromStdString(job.down_uuid);
    Data_Phase phase(m_progress, job.down_uuid, size, m_settings.piece_bytes);
    while (phase.to_go > 0) {
        // Exactly the announced size goes out: a file that shrank or cannot
        // be read any more breaks the connection rather than its step.
        const qint64 read = file.read(phase.piece(), phase.next_piece());
        if (read <= 0) {
            log_line("读取文件失败");
            return Outcome::Broken;
        }
        if (!channel.send_bytes(phase.piece(), static_cast<int>(read))) {
            log_line("发送失败");
            m_progress(id, QStringLiteral("0"), 100);
            return Outcome::Broken;
        }
        phase.to_go -= read;
        phase.meter.moved(read, phase.to_go);
    }
    m_progress(id, QStringLiteral("0"), 100);
    log_line("文件发送结束");
    return Outcome::Done;
}

Outcome ORV_File_Exchange::receive_file(int sock, const ORV_UpDown_Data& job, bool replace)
{
    ORV_Peer_Channel channel(m_dll, sock);
    const Exchange_Timeout timeout(channel, m_settings.timeout_ms);
    const QString name = QString::fromStdString(local_name_for_peer_path(job.from_path));
    const auto request = job.to_file_request();
    if (name.isEmpty() || !request) {
        log_line("6:文件下载请求发送--失败");
        return Outcome::Failed;
    }
    // A request the peer never acknowledges went to a peer that is gone.
    if (!logged(channel.send_block(to_block(*request)) && channel.acknowledged(), "6:文件下载请求发送--成功",
                "6:文件下载请求发送--失败"))
        return Outcome::Unsent;

    Message_Block block;
    // No answer: a holder serving all it can closes a new connection unread.
    if (!logged(channel.recv_block(block), "9:文件下载反馈--成功", "9:文件下载反馈--失败"))
        return Outcome::Unsent;
    M_Pack_File_Request answer;
    unpack_download_request(answer, block.data(), ORV::BLOCK_SIZE);
    log_line("到这一步了哦" + read_text_field(answer.holder_path));
    log_line("到这一步了哦" + read_text_field(answer.dest_folder));
    log_line("到这一步了哦" + read_text_field(answer.sender_id));
    log_line("到这一步了哦" + read_text_field(answer.addressee_id));
    if (answer.code != ORV::FILE_CODE_ANSWER)
        return Outcome::Failed;
    log_line("反馈成功");
    const std::int64_t size = answer.size;
    if (size < 0)
        return Outcome::Broken;
    // An older holder answers a missing file as an empty one; a file the
    // listing showed with content is not replaced by nothing.
    if (size == 0 && job.file.size > 0)
        return Outcome::Failed;

    const QString folder = QString::fromStdString(job.to_path);
    ORV_Received_File received;
    if (!received.create(folder)) {
        log_line("文件创建失败");
        return Outcome::Broken;
    }
    log_line("文件创建成功");

    Data_Phase phase(m_progress, job.down_uuid, size, m_settings.piece_bytes);
    while (phase.to_go > 0) {
        const int want = phase.next_piece();
        if (!channel.recv_bytes(phase.piece(), want)) {
            log_line("文件传输中断");
            return Outcome::Broken;
        }
        phase.meter.moved(want, phase.to_go);
        if (!received.write(phase.piece(), want)) {
            log_line("文件写入失败");
            return Outcome::Broken;
        }
        phase.to_go -= want;
    }
    phase.meter.finish();
    if (!received.commit(QDir(folder).filePath(name), replace)) {
        log_line("文件保存失败");
        return Outcome::Failed;
    }
    return Outcome::Done;
}

Outcome ORV_File_Exchange::serve_download_request(int sock, const ORV_UpDown_Data& job)
{
    const ORV_Share_Check check =
        ORV_Share_Data_Manage::instance().check_path(SHARE_KEY, job.peer_uuid, job.from_path);
    ORV_UpDown_Data served = job;
    // Only the checked path is ever opened; anything else is refused by
    // naming nothing, which send_file answers as unreadable.
    served.from_path = check.grade >= ORV::SHARE_GRADE_A ? check.path : std::string();
    return send_file(sock, served);
}

Outcome ORV_File_Exchange::serve_upload(int sock, const ORV_UpDown_Data& job)
{
    ORV_Peer_Channel channel(m_dll, sock);
    const Exchange_Timeout timeout(channel, m_settings.timeout_ms);
    const ORV_Share_Check check =
        ORV_Share_Data_Manage::instance().check_path(SHARE_KEY, job.peer_uuid, job.to_path);
    const QString folder = QString::fromStdString(check.path);
    const QString name = QString::fromStdString(local_name_for_peer_path(job.from_path));
    const QFileInfo target(QDir(folder).filePath(name));
    const bool exists = !name.isEmpty() && (target.exists() || target.isSymLink());
    const bool may_replace = check.grade >= ORV::SHARE_GRADE_A_PLUS_PLUS && target.isFile()
                             && !target.isSymLink();
    const bool allowed = check.grade >= ORV::SHARE_GRADE_A_PLUS && QFileInfo(folder).isDir()
                         && !name.isEmpty() && (!exists || may_replace);

    Message_Block answer{};
    answer[UPLOAD_ALLOWED] = allowed ? 1 : 0;
    answer[UPLOAD_TARGET_EXISTS] = exists ? 1 : 0;
    if (!logged(channel.send_block(answer), "2:文件文件是否可以上传反馈--成功", "2:文件文件是否可以上传反馈--失败"))
        return Outcome::Broken;
    // A refused requester sends no confirmation: back to reading requests.
    if (!allowed)
        return Outcome::Failed;
    Message_Block confirmation;
    if (!logged(channel.recv_block(confirmation), "5:文件下载反馈成功", "5:文件下载反馈成功_失败"))
        return Outcome::Broken;

    ORV_UpDown_Data received = job;
    received.to_path = check.path;
    const Outcome outcome = receive_file(sock, received, may_replace);
    // Here the request went out on a connection the peer is actively using.
    return outcome == Outcome::Unsent ? Outcome::Broken : outcome;
}

Outcome ORV_File_Exchange::open_upload(int sock, const ORV_UpDown_Data& job)
{
    ORV_Peer_Channel channel(m_dll, sock);
    const Exchange_Timeout timeout(channel, m_settings.timeout_ms);
    const auto request = job.to_file_request();
    const bool sent = request && channel.send_block(to_block(*request)) && channel.acknowledged();
    if (!logged(sent, "1: 文件上传请求发送——成功", "1: 文件上传请求发送——失败"))
        return Outcome::Unsent;
    Message_Block answer;
    if (!logged(channel.recv_block(answer), "3: 文件下载反馈--成功：等待处理结果",
                "3: 文件下载反馈--失败：等待处理结果"))
        return Outcome::Unsent;
    if (answer[UPLOAD_ALLOWED] != 1) {
        for (int i = 0; i < 4; ++i)
            log_line("结束了哦！");
        return Outcome::Failed;
    }
    if (!logged(channel.send_block(answer), "4: send处理完成--成功", "4: send处理完成--失败"))
        return Outcome::Broken;
    Message_Block their_request;
    if (!logged(channel.recv_block(their_request), "7:随便收一次--成功", "7:随便收一次--失败"))
        return Outcome::Broken;
    return Outcome::Done;
}
