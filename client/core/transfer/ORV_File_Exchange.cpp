#include "client/core/transfer/ORV_File_Exchange.h"

#include "client/core/ORV_Log.h"
#include "client/core/peer/ORV_Peer_Channel.h"
#include "client/core/transfer/ORV_Received_File.h"
#include "client/core/share/ORV_Share_Data_Manage.h"
#include "client/core/records/ORV_Share_File_Data.h"
#include "client/core/transfer/ORV_Transfer_Error.h"
#include "client/core/transfer/ORV_Transfer_Meter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <chrono>
#include <future>
#include <vector>

#include <sys/stat.h>

namespace {

using Outcome = ORV_File_Exchange::Outcome;

// Any code but 4 tells a requester that no data follows: 2 when the path is
// not offered to it, 5 when the file is there but cannot be read.
constexpr std::int32_t FILE_CODE_REFUSED = 2;
constexpr std::int32_t FILE_CODE_UNREADABLE = 5;

// Upload answer: byte 0 says the upload may go ahead, byte 1 that a file of
// that name is already there, byte 2 why it may not (an ORV_Transfer_Error;
// an older peer leaves it 0).
constexpr int UPLOAD_ALLOWED = 0;
constexpr int UPLOAD_TARGET_EXISTS = 1;
constexpr int UPLOAD_REFUSAL = 2;

// Outcome block: byte 0 is 1 when all is well, else byte 1 names the
// trouble (an ORV_Transfer_Error). A receiver's outcome may be preceded by
// blocks whose byte 0 is 2: it is still taking in data.
constexpr char OUTCOME_PENDING = 2;

Message_Block outcome_block(int error)
{
    Message_Block block{};
    block[0] = error == TRANSFER_OK ? 1 : 0;
    block[1] = static_cast<char>(error);
    return block;
}

// A holder has handed its last bytes to the library long before a slow link
// has carried them (the library buffers megabytes), and then waits for the
// receiver's outcome with the exchange time-out; the receiver's final flush
// may take longer still. So a receiver that takes part says every third of
// that time-out that it is still at work, until its outcome is known.
class Pending_Words
{
public:
    Pending_Words(ORV_Peer_Channel& channel, bool on, int timeout_ms)
        : m_channel(channel)
        , m_on(on)
        , m_period((timeout_ms > 0 ? timeout_ms : ORV_Peer_Channel::EXCHANGE_TIMEOUT_MS) / 3)
        , m_last(ORV_Transfer_Meter::steady_clock_ms())
    {
    }

    // False when a word was due and could not be sent.
    bool tick()
    {
        const std::int64_t now = ORV_Transfer_Meter::steady_clock_ms();
        if (!m_on || now - m_last < m_period)
            return true;
        m_last = now;
        Message_Block pending{};
        pending[0] = OUTCOME_PENDING;
        return m_channel.send_block(pending);
    }

    // Waits for `work` done on another thread, saying meanwhile that this
    // side is at work; false when a word could not be sent.
    template <class Result>
    bool wait_for(std::future<Result>& work)
    {
        if (!m_on) {
            work.wait();
            return true;
        }
        bool said = true;
        while (work.wait_for(until_due()) != std::future_status::ready)
            said = tick() && said;
        return said;
    }

private:
    std::chrono::milliseconds until_due() const
    {
        const std::int64_t due = m_last + m_period - ORV_Transfer_Meter::steady_clock_ms();
        return std::chrono::milliseconds(std::max<std::int64_t>(due, 0));
    }

    ORV_Peer_Channel& m_channel;
    const bool m_on;
    const std::int64_t m_period;
    std::int64_t m_last;
};

int outcome_error(const Message_Block& block)
{
    if (block[0] == 1)
        return TRANSFER_OK;
    return block[1] != 0 ? static_cast<int>(static_cast<unsigned char>(block[1])) : int{TRANSFER_FAILED};
}

// What an open file is: a file rewritten, grown or cut while it is sent no
// longer matches the stamp taken when it was opened. The change time moves
// with every write and no program can set it back, as "touch -r" or
// "rsync -t" do the modification time.
struct Source_Stamp
{
    std::int64_t size = -1;
    std::int64_t mtime_ns = -1;
    std::int64_t ctime_ns = -1;
    ino_t inode = 0;
    dev_t device = 0;

    bool operator==(const Source_Stamp& other) const
    {
        return size == other.size && mtime_ns == other.mtime_ns && ctime_ns == other.ctime_ns
               && inode == other.inode && device == other.device;
    }
};

std::int64_t nanoseconds(const timespec& time)
{
    return time.tv_sec * 1000000000LL + time.tv_nsec;
}

Source_Stamp stamp_of(QFile& file)
{
    struct stat st{};
    if (::fstat(file.handle(), &st) != 0)
        return {};
    return {st.st_size, nanoseconds(st.st_mtim), nanoseconds(st.st_ctim), st.st_ino, st.st_dev};
}

// What a receiver said while the data still flows: TRANSFER_OK while it said
// nothing or only that it is at work, else why it stopped.
int early_word(ORV_Peer_Channel& channel)
{
    Message_Block block;
    while (channel.waiting_bytes() > 0) {
        if (!channel.recv_block(block))
            return TRANSFER_CONNECTION_LOST;
        if (block[0] != OUTCOME_PENDING) {
            const int error = outcome_error(block);
            return error == TRANSFER_OK ? int{TRANSFER_FAILED} : error;
        }
    }
    return TRANSFER_OK;
}

// Why an upload was refused: the receiver says so, an older one leaves it
// to what its answer and the listing tell.
int upload_refusal(const Message_Block& answer, const ORV_UpDown_Data& job)
{
    if (answer[UPLOAD_REFUSAL] != 0)
        return static_cast<unsigned char>(answer[UPLOAD_REFUSAL]);
    if (job.file.share_power < ORV::SHARE_GRADE_A_PLUS)
        return TRANSFER_DOWNLOAD_ONLY;
    return answer[UPLOAD_TARGET_EXISTS] == 1 ? TRANSFER_NO_OVERWRITE : TRANSFER_REFUSED;
}

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

Outcome ORV_File_Exchange::fail(Outcome outcome, int error)
{
    m_failure = error;
    return outcome;
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
    const Source_Stamp opened = readable ? stamp_of(file) : Source_Stamp{};
    const std::int64_t size = readable ? file.size() : 0;
    // A file that is gone is no longer offered; only one that is there and
    // cannot be read is called unreadable.
    const std::int32_t code = readable ? ORV::FILE_CODE_ANSWER
                              : path.isEmpty() || !info.exists() ? FILE_CODE_REFUSED
                                                                 : FILE_CODE_UNREADABLE;
    if (!logged(channel.send_block(answer_block(job, code, size)), "8:文件下载请求发送--成功",
                "8:文件下载请求发送--失败"))
        return fail(Outcome::Broken, TRANSFER_CONNECTION_LOST);
    if (!readable)
        return fail(Outcome::Failed, TRANSFER_SOURCE_UNREADABLE);

    log_line("开始文件传输");
    const QString id = QString::fromStdString(job.down_uuid);
    Data_Phase phase(m_progress, job.down_uuid, size, m_settings.piece_bytes);
    while (phase.to_go > 0) {
        // Only the file as it was when its size was announced goes out: one
        // that was rewritten, grew, shrank or cannot be read any more is cut
        // off at once, so the receiver stores nothing of a mix.
        const qint64 read = file.read(phase.piece(), phase.next_piece());
        if (read <= 0 || !(stamp_of(file) == opened)) {
            log_line(read <= 0 ? "读取文件失败" : "文件在发送中被修改");
            return fail(Outcome::Broken, TRANSFER_SOURCE_CHANGED);
        }
        // A receiver that cannot go on says so at once; so does this side.
        const int early = m_receiver_reports ? early_word(channel) : int{TRANSFER_OK};
        if (early != TRANSFER_OK) {
            log_line("接收方未能保存文件");
            return fail(Outcome::Broken, early);
        }
        if (!channel.send_bytes(phase.piece(), static_cast<int>(read))) {
            log_line("发送失败");
            m_progress(id, QStringLiteral("0"), 100);
            // A receiver that stopped first has said why before it left.
            const int said = m_receiver_reports ? early_word(channel) : int{TRANSFER_OK};
            return fail(Outcome::Broken, said != TRANSFER_OK ? said : int{TRANSFER_CONNECTION_LOST});
        }
        phase.to_go -= read;
        phase.meter.moved(read, phase.to_go);
    }
    m_progress(id, QStringLiteral("0"), 100);
    log_line("文件发送结束");
    return m_receiver_reports ? settle_sent(channel) : Outcome::Done;
}

Outcome ORV_File_Exchange::settle_sent(ORV_Peer_Channel& channel)
{
    Message_Block stored;
    bool heard = channel.send_block(outcome_block(TRANSFER_OK)) && channel.recv_block(stored);
    while (heard && stored[0] == OUTCOME_PENDING)
        heard = channel.recv_block(stored);
    if (!heard) {
        log_line("接收方结果未收到");
        return fail(Outcome::Broken, TRANSFER_CONNECTION_LOST);
    }
    const int error = outcome_error(stored);
    if (error != TRANSFER_OK) {
        log_line("接收方未能保存文件");
        return fail(Outcome::Failed, error);
    }
    return Outcome::Done;
}

Outcome ORV_File_Exchange::receive_file(int sock, const ORV_UpDown_Data& job, QString* saved_path, bool kept)
{
    // The temporary file comes first: a folder nothing can be written into
    // fails before anything is asked of the holder.
    ORV_Received_File received(m_settings.sync);
    if (!logged(received.create(QString::fromStdString(job.to_path)), "文件创建成功", "文件创建失败"))
        return fail(Outcome::Failed, TRANSFER_NOT_STORED);
    ORV_Peer_Channel channel(m_dll, sock);
    const Exchange_Timeout timeout(channel, m_settings.timeout_ms);
    return receive_into(channel, job, received, kept, saved_path);
}

Outcome ORV_File_Exchange::receive_into(ORV_Peer_Channel& channel, const ORV_UpDown_Data& job,
                                        ORV_Received_File& received, bool kept, QString* saved_path)
{
    const QString name = QString::fromStdString(local_name_for_peer_path(job.from_path));
    const auto request = job.to_file_request();
    if (name.isEmpty() || !request) {
        log_line("6:文件下载请求发送--失败");
        return fail(Outcome::Failed, TRANSFER_FAILED);
    }
    // A request a kept connection never acknowledges went to a peer that is
    // gone; a new connection has just shown that its peer is there.
    if (!logged(channel.send_block(to_block(*request)) && (!kept || channel.acknowledged()),
                "6:文件下载请求发送--成功", "6:文件下载请求发送--失败"))
        return fail(Outcome::Unsent, TRANSFER_CONNECTION_LOST);

    Message_Block block;
    // No answer: a holder serving all it can closes a new connection unread.
    if (!logged(channel.recv_block(block), "9:文件下载反馈--成功", "9:文件下载反馈--失败"))
        return fail(Outcome::Unsent, TRANSFER_CONNECTION_LOST);
    M_Pack_File_Request answer;
    unpack_download_request(answer, block.data(), ORV::BLOCK_SIZE);
    log_line("到这一步了哦" + read_text_field(answer.holder_path));
    log_line("到这一步了哦" + read_text_field(answer.dest_folder));
    log_line("到这一步了哦" + read_text_field(answer.sender_id));
    log_line("到这一步了哦" + read_text_field(answer.addressee_id));
    if (answer.code != ORV::FILE_CODE_ANSWER)
        return fail(Outcome::Failed,
                    answer.code == FILE_CODE_UNREADABLE ? TRANSFER_SOURCE_UNREADABLE : TRANSFER_REFUSED);
    log_line("反馈成功");
    const std::int64_t size = answer.size;
    if (size < 0)
        return fail(Outcome::Broken, TRANSFER_FAILED);
    // An older holder answers a missing file as an empty one; a file the
    // listing showed with content is not replaced by nothing.
    if (size == 0 && job.file.size > 0)
        return fail(Outcome::Failed, TRANSFER_SOURCE_UNREADABLE);

    const bool outcome_blocks = answer.reports_outcome != 0;
    Pending_Words pending(channel, outcome_blocks, m_settings.timeout_ms);
    Data_Phase phase(m_progress, job.down_uuid, size, m_settings.piece_bytes);
    while (phase.to_go > 0) {
        const int want = phase.next_piece();
        if (!channel.recv_bytes(phase.piece(), want) || !pending.tick()) {
            log_line("文件传输中断");
            return fail(Outcome::Broken, TRANSFER_CONNECTION_LOST);
        }
        phase.meter.moved(want, phase.to_go);
        if (!received.write(phase.piece(), want)) {
            log_line("文件写入失败");
            return stop_receiving(channel, received, outcome_blocks);
        }
        phase.to_go -= want;
    }
    phase.meter.finish();
    int error = TRANSFER_OK;
    if (outcome_blocks) {
        // The holder's word on its file comes first: a changed source is
        // never stored.
        Message_Block source;
        if (!channel.recv_block(source))
            return fail(Outcome::Broken, TRANSFER_CONNECTION_LOST);
        error = outcome_error(source);
    }
    QString saved;
    if (error == TRANSFER_OK) {
        // The final flush may take long (a slow disk, a network mount): it
        // runs beside this thread, which goes on telling the holder that this
        // side is at work.
        const QString final_path = QDir(QString::fromStdString(job.to_path)).filePath(name);
        std::future<QString> committed = std::async(std::launch::async, [&received, &final_path, &job] {
            return received.commit(final_path, job.existing);
        });
        pending.wait_for(committed);
        saved = committed.get();
        if (saved.isEmpty()) {
            log_line(QStringLiteral("文件保存失败: ") + received.failure());
            error = received.name_kept() ? TRANSFER_NO_OVERWRITE : TRANSFER_NOT_STORED;
        }
    }
    if (outcome_blocks && !channel.send_block(outcome_block(error)))
        return fail(Outcome::Broken, TRANSFER_CONNECTION_LOST);
    if (error != TRANSFER_OK)
        return fail(Outcome::Failed, error);
    if (saved_path)
        *saved_path = saved;
    return Outcome::Done;
}

Outcome ORV_File_Exchange::stop_receiving(ORV_Peer_Channel& channel, ORV_Received_File& received,
                                          bool outcome_blocks)
{
    // The disk is freed at once, not when the rest would have arrived.
    received.discard();
    // The holder hears why before the connection, now out of step, is
    // dropped by the caller; an older holder is simply cut off.
    if (outcome_blocks && channel.send_block(outcome_block(TRANSFER_NOT_STORED)))
        channel.acknowledged();
    return fail(Outcome::Broken, TRANSFER_NOT_STORED);
}

Outcome ORV_File_Exchange::serve_download_request(int sock, const ORV_UpDown_Data& job)
{
    const ORV_Share_Check check =
        ORV_Share_Data_Manage::instance().check_path(SHARE_KEY, job.peer_uuid, job.from_path);
    ORV_UpDown_Data served = job;
    // Only the checked path is ever opened; anything else is refused by
    // naming nothing, which send_file answers as unreadable.
    served.from_path = check.grade >= ORV::SHARE_GRADE_A ? check.path : std::string();
    m_receiver_reports = job.peer_reports_outcome;
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
                             && !target.isSymLink() && shown_in_listing(target);
    int refusal = TRANSFER_OK;
    // A name the listing would hide is outside the share, even for a new
    // file: a friend could otherwise plant a ".profile" in a shared home.
    if (check.grade < ORV::SHARE_GRADE_A || name.isEmpty() || target.isHidden())
        refusal = TRANSFER_REFUSED;
    else if (check.grade < ORV::SHARE_GRADE_A_PLUS)
        refusal = TRANSFER_DOWNLOAD_ONLY;
    else if (!QFileInfo(folder).isDir())
        refusal = TRANSFER_NOT_STORED;
    else if (exists && !may_replace)
        refusal = TRANSFER_NO_OVERWRITE;
    // A folder nothing can be written into is refused before any data comes.
    ORV_Received_File received_file(m_settings.sync);
    if (refusal == TRANSFER_OK && !logged(received_file.create(folder), "文件创建成功", "文件创建失败"))
        refusal = TRANSFER_NOT_STORED;
    const bool allowed = refusal == TRANSFER_OK;

    Message_Block answer{};
    answer[UPLOAD_ALLOWED] = allowed ? 1 : 0;
    answer[UPLOAD_TARGET_EXISTS] = exists ? 1 : 0;
    answer[UPLOAD_REFUSAL] = static_cast<char>(refusal);
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
    received.existing = may_replace ? Existing_File::Replace : Existing_File::Refuse;
    const Outcome outcome = receive_into(channel, received, received_file, false, nullptr);
    // Here the request went out on a connection the peer is actively using.
    return outcome == Outcome::Unsent ? Outcome::Broken : outcome;
}

Outcome ORV_File_Exchange::open_upload(int sock, const ORV_UpDown_Data& job, bool kept)
{
    ORV_Peer_Channel channel(m_dll, sock);
    const Exchange_Timeout timeout(channel, m_settings.timeout_ms);
    const auto request = job.to_file_request();
    const bool sent = request && channel.send_block(to_block(*request)) && (!kept || channel.acknowledged());
    if (!logged(sent, "1: 文件上传请求发送——成功", "1: 文件上传请求发送——失败"))
        return fail(Outcome::Unsent, TRANSFER_CONNECTION_LOST);
    Message_Block answer;
    if (!logged(channel.recv_block(answer), "3: 文件下载反馈--成功：等待处理结果",
                "3: 文件下载反馈--失败：等待处理结果"))
        return fail(Outcome::Unsent, TRANSFER_CONNECTION_LOST);
    if (answer[UPLOAD_ALLOWED] != 1) {
        for (int i = 0; i < 4; ++i)
            log_line("结束了哦！");
        return fail(Outcome::Failed, upload_refusal(answer, job));
    }
    if (!logged(channel.send_block(answer), "4: send处理完成--成功", "4: send处理完成--失败"))
        return fail(Outcome::Broken, TRANSFER_CONNECTION_LOST);
    Message_Block their_request;
    if (!logged(channel.recv_block(their_request), "7:随便收一次--成功", "7:随便收一次--失败"))
        return fail(Outcome::Broken, TRANSFER_CONNECTION_LOST);
    // The receiver's own request says whether it settles the upload with
    // outcome blocks.
    M_Pack_File_Request record;
    unpack_download_request(record, their_request.data(), ORV::BLOCK_SIZE);
    m_receiver_reports = record.reports_outcome != 0;
    return Outcome::Done;
}
