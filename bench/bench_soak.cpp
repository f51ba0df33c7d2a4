// A whole shift in a few minutes: the real window, offscreen, against the
// simulated instrument on its fast clock, with faults struck at random.
// Prints what it counted and checked; exits non-zero on any problem.
#include "Records.h"
#include "SoakRun.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QStandardPaths>

#include <cstdio>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    registerLinkMetaTypes();

    QElapsedTimer clock;
    clock.start();
    const soak::Result r = soak::run(soak::Plan{});
    std::printf("soak_polls %d polls\n", r.polls);
    std::printf("soak_replug_cycles %d cycles\n", r.replugs);
    std::printf("soak_rows %d rows\n", r.rows);
    std::printf("soak_rows_expected %d rows\n", r.expectedRows);
    std::printf("soak_rows_distinct %d rows\n", r.distinctRows);
    std::printf("soak_rows_journalled %d rows\n", r.journalled);
    std::printf("soak_max_poll_gap_ms %.0f ms\n", r.maxPollGapMs);
    std::printf("soak_rss_growth_mb %.2f MB\n", r.rssLastMb - r.rssFirstMb);
    std::printf("soak_duration_s %.0f s\n", double(clock.elapsed()) / 1000.0);
    std::printf("soak_polls_per_s %.0f polls/s\n", r.polls / qMax(0.001, r.pollingSeconds));
    std::printf("soak_problems %d problems\n", int(r.problems.size()));
    for (const QString& problem : r.problems)
        std::fprintf(stderr, "soak: %s\n", qPrintable(problem));
    const bool sound = r.problems.isEmpty() && r.rows == r.expectedRows &&
                       r.distinctRows == r.rows && r.journalled == r.rows;
    return sound ? 0 : 1;
}
