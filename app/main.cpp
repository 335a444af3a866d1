// The program's entry: the runtime hands over the command line after the program's name.

#include "app/startup.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
    return quillix::runQuillix(instance, commandLine);
}
