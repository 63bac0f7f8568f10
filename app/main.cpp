#include <QApplication>

#include "app/start_up.h"
#include "app/start_up_steps.h"
#include "platform/qt_platform.h"

// The program reads no command line; Qt gets only the program name.
int main(int, char** argv)
{
    int qt_argc = 1;
    char* qt_argv[] = {argv[0], nullptr};
    QApplication application(qt_argc, qt_argv);
    orbilan::QtPlatform platform;
    return orbilan::run_program(platform, orbilan::program_start_up_steps(platform));
}
