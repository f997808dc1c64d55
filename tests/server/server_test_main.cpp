// Runs the server tests inside a QApplication (the window tests need one) and
// in a private working folder, since the server appends to "login.txt" in
// its current folder.

#include <gtest/gtest.h>

#include <QApplication>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the tests (at build time) needs no application, whose platform
    // plugin would only trouble the leak checker.
    if (::testing::GTEST_FLAG(list_tests))
        return RUN_ALL_TESTS();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    std::string folder = (std::filesystem::temp_directory_path() / "quillfen_server_XXXXXX").string();
    if (!::mkdtemp(folder.data()))
        return 2;
    std::filesystem::current_path(folder);
    const int result = RUN_ALL_TESTS();
    std::filesystem::current_path(std::filesystem::temp_directory_path());
    std::filesystem::remove_all(folder);
    return result;
}
