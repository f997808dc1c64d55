#include "Client_Test_Main.h"

#include <QGuiApplication>

// Tests of observers, listings, icons and pictures.
int main(int argc, char** argv)
{
    return run_client_tests<QGuiApplication>(argc, argv);
}
