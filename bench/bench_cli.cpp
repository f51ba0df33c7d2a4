// The whole of "loop-tester-cli read-store" for 200 stored groups, run as a
// process against the simulated instrument (the demo build): start-up,
// identity, count, the read-back and the CSV file. The floor is the link
// worker's 30 ms pause after each group, 200 × 30 ms = 6.0 s; the ratio shows
// what everything else adds. The median of three runs is reported.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kGroups = 200;
constexpr double kFloorS = kGroups * 0.030;
constexpr int kRuns = 3;

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    const QString output = dir.filePath(QStringLiteral("store.csv"));

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LT_SIM_STORED"), QString::number(kGroups));

    std::vector<double> seconds;
    for (int run = 0; run < kRuns; ++run) {
        QFile::remove(output);
        QProcess process;
        process.setProcessEnvironment(env);
        QElapsedTimer timer;
        timer.start();
        process.start(QStringLiteral(CLI_DEMO),
                      {QStringLiteral("read-store"), QStringLiteral("-o"), output});
        if (!process.waitForFinished(120000) || process.exitCode() != 0) {
            std::fprintf(stderr, "bench_cli: read-store failed (%d): %s\n", process.exitCode(),
                         process.readAllStandardError().constData());
            return 1;
        }
        seconds.push_back(double(timer.nsecsElapsed()) / 1e9);
        QFile file(output);
        const int lines = file.open(QIODevice::ReadOnly) ? int(file.readAll().count('\n')) : 0;
        if (lines != kGroups + 1) {
            std::fprintf(stderr, "bench_cli: %d lines written, not %d\n", lines, kGroups + 1);
            return 1;
        }
    }
    std::sort(seconds.begin(), seconds.end());
    const double median = seconds[seconds.size() / 2];
    std::printf("cli_read_store_200_ratio %.4f ratio\n", median / kFloorS);
    std::printf("cli_read_store_200_s %.3f s\n", median);
    return 0;
}
