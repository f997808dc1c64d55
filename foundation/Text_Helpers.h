#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Copies at most size - 1 bytes of `source` and always terminates; returns
// the length of `source` so a caller can tell it was cut. A size of 0 writes
// nothing; a null source counts as "".
std::size_t copy_string_bounded(char* buffer, const char* source, std::size_t size);

// The text cut to its first 1024 bytes, every "\" turned into "/".
std::string to_forward_slashes(const std::string& text);

// Appends the non-empty pieces between delimiters to `out`, keeping what it
// held before. An empty delimiter appends nothing.
void split_string(const std::string& text, const std::string& delimiter,
                  std::vector<std::string>& out);
