#include "Client_Test_Main.h"

#include <QCoreApplication>

// Tests that need Qt's event loop and plugins but no display.
int main(int argc, char** argv)
{
    return run_client_tests<QCoreApplication>(argc, argv);
}
