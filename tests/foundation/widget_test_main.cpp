#include <QApplication>

#include <gtest/gtest.h>

// Widgets need an application object. Test discovery only lists the tests,
// at build time and without ctest's environment, so it gets none.
int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (::testing::GTEST_FLAG(list_tests))
        return RUN_ALL_TESTS();
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
