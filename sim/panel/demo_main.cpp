// The demo program: the real window, linked to the simulated instrument, with
// the instrument's own panel beside it.
#include "AppMain.h"
#include "DemoInstrument.h"

int main(int argc, char* argv[])
{
    return runLoopTester(argc, argv, [] { sim::startDemoInstrument(); });
}
