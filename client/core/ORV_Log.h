#pragma once

#include <QString>

#include <string>

// One diagnostic line on standard output. Lines are written whole so that
// threads logging at once do not interleave inside a line.
void log_line(const char* text);
void log_line(const std::string& text);
void log_line(const QString& text);
