#pragma once

#include "Client_Test_Env.h"
#include "client/core/browse/ORV_Browse_Observer_Obj.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

// Runs the tests under the Qt application object they need, on the
// offscreen platform, with the user's folders out of reach. Listing the
// tests makes no application (and so leaves nothing of the platform plugin
// behind for the leak checker).
template <class Application>
int run_client_tests(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (testing::GTEST_FLAG(list_tests))
        return RUN_ALL_TESTS();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir folders;
    isolate_user_folders(folders.path());
    Application app(argc, argv);
    const int result = RUN_ALL_TESTS();
    ORV_Browse_Observer_Obj::stop_all_workers();
    return result;
}
