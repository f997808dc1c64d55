#pragma once

#include "client/core/peer/ORV_Peer_Channel.h"
#include "client/core/transfer/ORV_Received_File.h"
#include "client/core/transfer/ORV_UpDown_Data.h"
#include "transport/IDllClass.h"

#include <QString>

#include <functional>

// The exchange that moves one file over one peer connection: a few 1000-byte
// control blocks, then the file's bytes as a plain stream. Both the
// requesting side (download, upload) and the serving side (a peer's download
// or upload request) run here.
//
// The data phase moves in large pieces; the peer cannot tell, since it
// counts bytes and never sees piece boundaries. The receiver never reads
// past the announced size, so the connection stays in step for the next
// request.
//
// When both sides said so in their type-8 records, one outcome block goes
// each way after the data: the holder's says whether the file stayed as it
// was while it was sent, the receiver's whether the file is stored under its
// final name. Only then does the holder count the transfer as done. A side
// that cannot go on stops at once: a holder whose file changed cuts the
// connection, a receiver that cannot store sends its outcome block early and
// drops the connection, and the holder hears it between pieces. An older
// peer sends and expects no outcome blocks and is simply cut off.
class ORV_File_Exchange
{
public:
    enum class Outcome {
        Done,
        Failed,   // ended cleanly (refused, or nothing of the data was due): still in step
        Unsent,   // the opening request went unsent or unanswered: nothing happened
        Broken    // out of step or dead: close the connection
    };

    struct Settings
    {
        int piece_bytes = 1 << 20;
        int timeout_ms = ORV_Peer_Channel::EXCHANGE_TIMEOUT_MS;
        // How a received file is made durable before it takes its name.
        ORV_Received_File::Sync sync = ::fsync;
    };

    // Progress of a data phase, under the job's own transfer identity.
    using Progress = std::function<void(const QString& down_uuid, const QString& speed, int percent)>;

    ORV_File_Exchange(IDllClass* dll, Settings settings, Progress progress);

    // Sends the answer and the file named by job.from_path. The file is
    // opened before anything is promised; one that cannot be read is
    // refused (code other than 4, size 0) and nothing follows.
    Outcome send_file(int sock, const ORV_UpDown_Data& job);

    // Requests the file and receives it into job.to_path under its own
    // name; job.existing says what becomes of a file already there. The path
    // actually written goes to `saved_path`. Only on a `kept` connection
    // must the request be acknowledged in time.
    Outcome receive_file(int sock, const ORV_UpDown_Data& job, QString* saved_path = nullptr, bool kept = false);

    // A peer's request to download a file of ours: served only for a
    // regular file inside a share the peer may see with grade A or above.
    Outcome serve_download_request(int sock, const ORV_UpDown_Data& job);

    // A peer's request to upload into a folder of ours: accepted only into a
    // folder inside a share with grade A+ or above, under a name its listing
    // would show, over an existing file only with A++. A refusal is answered
    // with byte 0 = 0.
    Outcome serve_upload(int sock, const ORV_UpDown_Data& job);

    // The requester's opening of an upload, up to where send_file takes over.
    Outcome open_upload(int sock, const ORV_UpDown_Data& job, bool kept = false);

    // Why the last exchange that did not end Done failed (ORV_Transfer_Error);
    // TRANSFER_OK when it did not say.
    int failure() const { return m_failure; }

private:
    Outcome fail(Outcome outcome, int error);
    // The outcome blocks after the data, the holder's side.
    Outcome settle_sent(ORV_Peer_Channel& channel);
    // The reception from the request on, into a temporary file made already.
    Outcome receive_into(ORV_Peer_Channel& channel, const ORV_UpDown_Data& job, ORV_Received_File& received,
                         bool kept, QString* saved_path);
    // A receiver that cannot store: the file goes, the holder hears why.
    Outcome stop_receiving(ORV_Peer_Channel& channel, ORV_Received_File& received, bool outcome_blocks);

    IDllClass* m_dll;
    Settings m_settings;
    Progress m_progress;
    int m_failure = 0;
    // The receiving peer announced outcome blocks in its request.
    bool m_receiver_reports = false;
};
