// The demo program: the real window, linked to the simulated instrument, with
// the instrument's own panel beside it. It keeps its own journal and settings
// (its own application name names their folder), so simulated records never
// meet an instrument's, and its title says what it is.
#include "AppMain.h"
#include "DemoInstrument.h"
#include "SampleHistory.h"

#include <cstdio>
#include <cstring>

#include <QCoreApplication>

int main(int argc, char* argv[])
{
    // --sample-history: two earlier years of two breakers in the journal, so
    // the history window has a trend to show next to today's tests.
    bool sampleHistory = false;
    for (int i = 1; i < argc; ++i)
        sampleHistory = sampleHistory || std::strcmp(argv[i], "--sample-history") == 0;
    AppEdition demo;
    demo.applicationName = "loop-tester-demo";
    demo.titleNote = QT_TRANSLATE_NOOP("MainWindow", "演示：模拟的仪器");
    return runLoopTester(
        argc, argv,
        [sampleHistory] {
            if (sampleHistory && !sim::addSampleHistory())
                std::fprintf(stderr, "loop-tester-demo: the sample history could not be written\n");
            sim::startDemoInstrument();
        },
        demo);
}
