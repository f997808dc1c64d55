#pragma once

// Files of known content for the tests that move them between programs.

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace quillfen_test {

// `size` bytes that depend on the size only, so a copy can be told from any other file.
inline std::string random_content(std::size_t size)
{
    std::mt19937 random(static_cast<unsigned>(size));
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(random());
    return bytes;
}

inline void write_bytes(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// The file's bytes, or "<missing>".
inline std::string read_bytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return in ? std::string(std::istreambuf_iterator<char>(in), {}) : std::string("<missing>");
}

} // namespace quillfen_test
