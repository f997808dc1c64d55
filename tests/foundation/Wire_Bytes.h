#pragma once

// Hand-built expected blocks for the wire-layout tests.

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

class Wire_Bytes
{
public:
    explicit Wire_Bytes(std::size_t size) : m_bytes(size, 0) {}

    Wire_Bytes& i32(std::size_t offset, std::int32_t value) { return raw(offset, &value, 4); }
    Wire_Bytes& i64(std::size_t offset, std::int64_t value) { return raw(offset, &value, 8); }
    Wire_Bytes& u8(std::size_t offset, std::uint8_t value) { return raw(offset, &value, 1); }
    Wire_Bytes& text(std::size_t offset, const std::string& value)
    {
        return raw(offset, value.data(), value.size());
    }
    // The header every record starts with.
    Wire_Bytes& head(std::int32_t type, const std::string& id)
    {
        return i32(0, type).i32(4, 100000).text(8, id);
    }

    const std::vector<char>& bytes() const { return m_bytes; }

private:
    Wire_Bytes& raw(std::size_t offset, const void* data, std::size_t size)
    {
        std::memcpy(m_bytes.data() + offset, data, size);
        return *this;
    }

    std::vector<char> m_bytes;
};

template <class Record>
std::vector<char> bytes_of(const Record& record)
{
    const char* begin = reinterpret_cast<const char*>(&record);
    return std::vector<char>(begin, begin + sizeof(Record));
}
