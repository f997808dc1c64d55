#include "Client_Test_Env.h"

#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// The desktop's icon provider needs a full widget application.
int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (testing::GTEST_FLAG(list_tests))
        return RUN_ALL_TESTS();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir folders;
    isolate_user_folders(folders.path());
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
