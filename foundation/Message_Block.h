#pragma once

// The 1000-byte block every message travels in, the job a received datagram
// is queued as, and the field rules every record is built and read by.

#include <netinet/in.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <type_traits>

namespace ORV {

constexpr int BLOCK_SIZE = 1000;
constexpr std::int32_t HEAD_MARK = 100000;

// Message types (first field of every header).
constexpr std::int32_t MSG_UNKNOWN = 0;
constexpr std::int32_t MSG_ONLINE = 1;
constexpr std::int32_t MSG_OFFLINE = 2;
constexpr std::int32_t MSG_HEARTBEAT = 3;
constexpr std::int32_t MSG_LOGIN_REPLY = 4;
constexpr std::int32_t MSG_SHARE_REQUEST = 5;
constexpr std::int32_t MSG_SHARE_REPLY = 6;
constexpr std::int32_t MSG_SHARE_ITEM = 7;
constexpr std::int32_t MSG_FILE_REQUEST = 8;
constexpr std::int32_t MSG_P2P_REQUEST = 9;
constexpr std::int32_t MSG_CSC_REQUEST = 10;

} // namespace ORV

// A whole block as it goes onto a socket: always exactly 1000 bytes.
using Message_Block = std::array<char, ORV::BLOCK_SIZE>;

// A received datagram and its sender, queued and handed on by value.
struct Datagram_Job
{
    char block[ORV::BLOCK_SIZE]{};
    sockaddr_in address{};
};
static_assert(sizeof(sockaddr_in) == 16, "IPv4 socket address must be 16 bytes");
static_assert(sizeof(Datagram_Job) == 1016, "Datagram_Job is 1016 bytes on the wire");
static_assert(offsetof(Datagram_Job, address) == 1000, "sender address follows the block");
static_assert(std::is_trivially_copyable<Datagram_Job>::value, "jobs are copied as bytes");

// Copies `text` into a zeroed N-byte field only when it fits; a text of exactly
// N bytes is stored without terminator. A longer text is refused and the field
// stays zero: nothing is ever stored in part.
template <std::size_t N>
bool write_text_field(char (&field)[N], const std::string& text)
{
    std::memset(field, 0, N);
    if (text.size() > N)
        return false;
    std::memcpy(field, text.data(), text.size());
    return true;
}

// Reads a text field up to its first zero byte and never past its width.
inline std::string read_text_field(const char* field, std::size_t width)
{
    return std::string(field, strnlen(field, width));
}

template <std::size_t N>
std::string read_text_field(const char (&field)[N])
{
    return read_text_field(field, N);
}

// Fills the text fields of one record and remembers whether every required
// text fitted, so that a builder can refuse the whole record.
class Field_Writer
{
public:
    // A text the record means nothing without (identity, path, address).
    template <std::size_t N>
    Field_Writer& text(char (&field)[N], const std::string& value)
    {
        m_ok = write_text_field(field, value) && m_ok;
        return *this;
    }

    // A purely informative text (computer name, MAC): an over-long one is
    // left empty rather than costing the whole message.
    template <std::size_t N>
    Field_Writer& informative_text(char (&field)[N], const std::string& value)
    {
        write_text_field(field, value);
        return *this;
    }

    template <class Record>
    std::optional<Record> result(const Record& record) const
    {
        if (!m_ok)
            return std::nullopt;
        return record;
    }

private:
    bool m_ok = true;
};

// Number of received bytes a reader may copy: negative counts read nothing,
// oversize counts are cut to the record.
inline std::size_t clamp_received(int received, std::size_t record_size)
{
    if (received <= 0)
        return 0;
    return std::min(static_cast<std::size_t>(received), record_size);
}

// The reading rule shared by every record: zero the destination, then copy
// min(received, record size) bytes, so a short block leaves a zero tail.
template <class Record>
Record& unpack_record(Record& dest, const void* buffer, int received)
{
    static_assert(std::is_trivially_copyable<Record>::value, "wire records are plain bytes");
    std::memset(static_cast<void*>(&dest), 0, sizeof(Record));
    const std::size_t count = buffer ? clamp_received(received, sizeof(Record)) : 0;
    if (count)
        std::memcpy(static_cast<void*>(&dest), buffer, count);
    return dest;
}

// Bounded copy of a record or datagram into a 1000-byte block; the rest of
// the block is zeroed. A negative or oversize length is refused and the block
// left untouched.
bool copy_into_datagram(char (&block)[ORV::BLOCK_SIZE], const void* data, int length);
bool copy_into_datagram(Message_Block& block, const void* data, int length);

// A record placed at the start of a zeroed block, ready to send whole.
template <class Record>
Message_Block to_block(const Record& record)
{
    static_assert(std::is_trivially_copyable<Record>::value, "wire records are plain bytes");
    static_assert(sizeof(Record) <= ORV::BLOCK_SIZE, "a record must fit its block");
    Message_Block block{};
    std::memcpy(block.data(), &record, sizeof(Record));
    return block;
}
