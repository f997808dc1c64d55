#include "Client_Test_Env.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// Tests that need Qt's event loop and plugins but no display.
int main(int argc, char** argv)
{
    QTemporaryDir folders;
    isolate_user_folders(folders.path());
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
