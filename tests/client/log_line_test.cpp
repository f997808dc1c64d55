// The client's and the library's diagnostic lines share one standard output.

#include "client/core/ORV_Log.h"
#include "transport/Net_Log.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <thread>

TEST(Log_Line, ClientAndLibraryLinesNeverSplitEachOther)
{
    const std::string client(300, 'c');
    const std::string library(300, 'l');
    constexpr int lines = 2000;
    testing::internal::CaptureStdout();
    std::thread writer([&] {
        for (int i = 0; i < lines; ++i)
            log_line(client);
    });
    for (int i = 0; i < lines; ++i)
        Net_Log::line(library);
    writer.join();
    std::istringstream output(testing::internal::GetCapturedStdout());

    int count = 0;
    for (std::string line; std::getline(output, line); ++count)
        ASSERT_TRUE(line == client || line == library) << "line " << count << ": " << line.substr(0, 80);
    EXPECT_EQ(count, 2 * lines);
}
