// The demo program: the real window, linked to the simulated instrument, with
// the instrument's own panel beside it.
#include "AppMain.h"
#include "DemoInstrument.h"
#include "SampleHistory.h"

#include <cstdio>
#include <cstring>

int main(int argc, char* argv[])
{
    // --sample-history: two earlier years of two breakers in the journal, so
    // the history window has a trend to show next to today's tests.
    bool sampleHistory = false;
    for (int i = 1; i < argc; ++i)
        sampleHistory = sampleHistory || std::strcmp(argv[i], "--sample-history") == 0;
    return runLoopTester(argc, argv, [sampleHistory] {
        if (sampleHistory && !sim::addSampleHistory())
            std::fprintf(stderr, "loop-tester-demo: the sample history could not be written\n");
        sim::startDemoInstrument();
    });
}
