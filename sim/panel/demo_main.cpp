// The demo program: the real window, linked to the simulated instrument, with
// the instrument's own panel beside it. It keeps its own journal and settings
// (its own application name names their folder), so simulated records never
// meet an instrument's, and its title says what it is.
#include "AppMain.h"
#include "DemoInstrument.h"

#include <QCoreApplication>

int main(int argc, char* argv[])
{
    AppEdition demo;
    demo.applicationName = "loop-tester-demo";
    demo.titleNote = QT_TRANSLATE_NOOP("MainWindow", "演示：模拟的仪器");
    return runLoopTester(
        argc, argv, [] { sim::startDemoInstrument(); }, demo);
}
