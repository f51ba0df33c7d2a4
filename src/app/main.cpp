#include "AppMain.h"

int main(int argc, char* argv[])
{
    return runLoopTester(argc, argv);
}
