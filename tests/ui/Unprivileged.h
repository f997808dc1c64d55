#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

// Root reads and writes every folder: for its lifetime the process is user
// nobody (the saved identity brings root back).
class Unprivileged
{
public:
    Unprivileged() : m_root(geteuid() == 0) { EXPECT_TRUE(!m_root || setresuid(65534, 65534, 0) == 0); }
    ~Unprivileged() { EXPECT_TRUE(!m_root || setresuid(0, 0, 0) == 0); }

private:
    bool m_root;
};
