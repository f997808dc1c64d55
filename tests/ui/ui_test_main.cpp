#include "Client_Test_Main.h"

#include <QApplication>

// Tests of the pages and their widgets.
int main(int argc, char** argv)
{
    return run_client_tests<QApplication>(argc, argv);
}
