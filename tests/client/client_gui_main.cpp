#include "Client_Test_Env.h"
#include "client/core/ORV_Browse_Observer_Obj.h"

#include <QGuiApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// Tests of observers, listings, icons and pictures; run on the offscreen
// platform. Listing the tests needs no application (and so leaves nothing
// of the platform plugin behind for the leak checker).
int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (testing::GTEST_FLAG(list_tests))
        return RUN_ALL_TESTS();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir folders;
    isolate_user_folders(folders.path());
    QGuiApplication app(argc, argv);
    const int result = RUN_ALL_TESTS();
    ORV_Browse_Observer_Obj::stop_all_workers();
    return result;
}
