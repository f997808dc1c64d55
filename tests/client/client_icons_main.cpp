#include "Client_Test_Main.h"

#include <QApplication>

// The desktop's icon provider needs a full widget application.
int main(int argc, char** argv)
{
    return run_client_tests<QApplication>(argc, argv);
}
