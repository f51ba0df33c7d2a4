#pragma once

#include <QString>
#include <QStringList>

// A long run of the real window against the simulated instrument, as an
// operator's shift would go: polling with faults struck at random, unplugging
// and plugging in again, many finished tests and automatic series. The soak
// benchmark runs it at full length, the test suite a short one.
namespace soak {

struct Plan
{
    int polls = 100000;      // live polls with faults struck at random
    int replugCycles = 500;  // unplug and plug in again, spread over the polls
    int tests = 1000;        // finished tests, each to be recorded once
    int autoSeries = 20;     // automatic series of three tests
    double faultRate = 0.01; // per fault kind and request
    quint32 seed = 20261206;
};

struct Result
{
    int polls = 0;
    int replugs = 0;
    int rows = 0;              // live table rows at the end
    int expectedRows = 0;      // finished tests the window was shown
    int distinctRows = 0;      // rows with a reading no other row has
    int journalled = 0;        // records the journal offers back afterwards
    double maxPollGapMs = 0;   // longest stretch while connected without a poll
    double rssFirstMb = 0;     // resident memory over the first tenth of the polls
    double rssLastMb = 0;      // ... and over the last tenth
    double pollingSeconds = 0; // how long each phase took
    double testsSeconds = 0;
    double seriesSeconds = 0;
    QStringList problems; // everything that went wrong, in words
};

// Runs the plan in the calling (GUI) thread; needs a QApplication.
Result run(const Plan& plan);

} // namespace soak
