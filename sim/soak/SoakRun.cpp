#include "SoakRun.h"

#include "Journal.h"
#include "MainWindow.h"
#include "SimBus.h"
#include "SimInstrument.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QSet>
#include <QTableView>
#include <QTimer>

#include <functional>

#include <memory>

namespace soak {
namespace {

const QByteArray kLiveRequest = QByteArray::fromHex("0008ABCD040005000900");

// Waits for a condition while the event loop runs freely. (QTest's waits
// sleep 10 ms between rounds of events, which would throttle a window that
// polls every millisecond.)
bool waitUntil(const std::function<bool()>& done, int timeoutMs)
{
    if (done())
        return true;
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    check.start(1);
    loop.exec();
    return done();
}

void spin(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

double residentMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return 0;
}

// The window as an operator sees it, through its widgets.
class Operator
{
public:
    explicit Operator(MainWindow& w)
        : window(w), connectAction(find<QAction>("actionConnect")),
          testStatus(find<QLabel>("label_TestStatus")),
          records(find<QTableView>("tableView_LiveRecord")->model())
    {
    }

    // The connect action offers to disconnect (a series locks the buttons).
    bool connected() const { return connectAction->text() == QStringLiteral("断开连接"); }
    int rows() const { return records->rowCount(); }
    QString cell(int row, int column) const
    {
        return records->index(row, column).data().toString();
    }
    void pressConnect() { connectAction->trigger(); }
    bool testShown() const
    {
        return testStatus->text() == QStringLiteral("测试中...") && connected();
    }
    bool autoRunShown() const
    {
        QWidget* progress = window.findChild<QWidget*>(QStringLiteral("AutoTestWindow"));
        return progress && progress->isVisible();
    }

private:
    template <typename T> T* find(const char* name)
    {
        T* found = window.findChild<T*>(QString::fromLatin1(name));
        Q_ASSERT(found);
        return found;
    }

    MainWindow& window;
    QAction* connectAction;
    QLabel* testStatus;
    QAbstractItemModel* records;
};

class Runner
{
public:
    Runner(const Plan& p, Result& r) : plan(p), result(r) {}

    void run()
    {
        sim::SimBus& bus = sim::SimBus::instance();
        bus.reset();
        bus.setClockMode(sim::ClockMode::Manual);
        bus.setInstantTimeouts(true);
        rv = bus.attach(sim::Model::RV718B);

        for (const char* suffix : {"", "-wal", "-shm", "-journal"})
            QFile::remove(Journal::defaultPath() + QLatin1String(suffix));
        auto window = std::make_unique<MainWindow>();
        op = std::make_unique<Operator>(*window);
        QMetaObject::invokeMethod(window.get(), "sampleIntervalSlot", Q_ARG(int, 1));
        if (!connect())
            return fail(QStringLiteral("the instrument did not connect at the start"));

        QElapsedTimer phase;
        phase.start();
        pollWithFaults();
        result.pollingSeconds = phase.restart() / 1000.0;
        runTests();
        result.testsSeconds = phase.restart() / 1000.0;
        runAutoSeries(window.get());
        result.seriesSeconds = phase.elapsed() / 1000.0;

        result.rows = op->rows();
        QSet<QString> readings;
        for (int r = 0; r < result.rows; ++r)
            readings.insert(op->cell(r, 5));
        result.distinctRows = readings.size();
        op.reset();
        window.reset(); // as a crash would leave it: nothing exported

        Journal journal;
        if (journal.open() == Journal::State::Open)
            result.journalled = journal.pending().count;
        else
            fail(QStringLiteral("the journal could not be opened afterwards"));
        bus.reset();
    }

private:
    void fail(const QString& problem)
    {
        if (result.problems.size() < 20)
            result.problems << problem;
    }

    bool connect()
    {
        for (int attempt = 0; attempt < 20 && !op->connected(); ++attempt) {
            op->pressConnect();
            if (waitUntil([&] { return op->connected(); }, 500))
                break;
        }
        return op->connected();
    }

    // Counts the live polls the instrument received since the last call.
    int newPolls()
    {
        int n = 0;
        for (const sim::SimWrite& w : rv->takeWriteLog())
            n += w.report == kLiveRequest;
        return n;
    }

    void pollWithFaults()
    {
        rv->setOccasionalFaults(plan.faultRate, plan.seed);
        const int replugEvery = plan.replugCycles > 0 ? plan.polls / (plan.replugCycles + 1) : 0;
        int nextReplug = replugEvery;
        QElapsedTimer sinceLastPoll;
        sinceLastPoll.start();
        double rssFirst = 0, rssLast = 0;
        int firstSamples = 0, lastSamples = 0;
        QElapsedTimer budget;
        budget.start();
        while (result.polls < plan.polls) {
            spin(20);
            const int polled = newPolls();
            result.polls += polled;
            if (polled > 0 || !op->connected())
                sinceLastPoll.restart();
            else
                result.maxPollGapMs = qMax(result.maxPollGapMs, double(sinceLastPoll.elapsed()));
            if (!op->connected())
                connect(); // the faults drop the link now and then, as they would
            if (result.polls < plan.polls / 10) {
                rssFirst += residentMb();
                ++firstSamples;
            } else if (result.polls >= plan.polls - plan.polls / 10) {
                rssLast += residentMb();
                ++lastSamples;
            }
            if (replugEvery > 0 && result.polls >= nextReplug &&
                result.replugs < plan.replugCycles) {
                replug();
                nextReplug += replugEvery;
            }
            if (budget.elapsed() > 60 * 60 * 1000)
                return fail(QStringLiteral("polling took over an hour"));
        }
        rv->setOccasionalFaults(0);
        newPolls();
        result.rssFirstMb = firstSamples ? rssFirst / firstSamples : 0;
        result.rssLastMb = lastSamples ? rssLast / lastSamples : 0;
    }

    void replug()
    {
        ++result.replugs;
        rv->unplug();
        if (!waitUntil([&] { return !op->connected(); }, 2000))
            fail(QStringLiteral("unplug %1: the window still shows the link").arg(result.replugs));
        if (!waitUntil([] { return sim::SimBus::instance().openHandleCount() == 0; }, 2000))
            fail(QStringLiteral("unplug %1: %2 handles still open")
                     .arg(result.replugs)
                     .arg(sim::SimBus::instance().openHandleCount()));
        rv->plug(); // arrival connects by itself, unless a fault strikes the identity
        if (!waitUntil([&] { return op->connected(); }, 1000) && !connect())
            fail(QStringLiteral("replug %1: the instrument did not connect").arg(result.replugs));
    }

    // One test on the instrument, seen through to its end; its reading is
    // unique to it, so a row recorded twice would show.
    bool finishOneTest(int number)
    {
        rv->setMeasuredResistance(100.0 + number * 0.01);
        rv->pressTestKey();
        if (!waitUntil([&] { return op->testShown(); }, 2000)) {
            fail(QStringLiteral("test %1: the window never showed it running").arg(number));
            return false;
        }
        sim::SimBus::instance().advanceClock(31000);
        const int before = op->rows();
        if (!waitUntil([&] { return op->rows() > before; }, 2000)) {
            fail(QStringLiteral("test %1: no row after it ended").arg(number));
            return false;
        }
        return true;
    }

    void runTests()
    {
        for (int i = 0; i < plan.tests; ++i) {
            if (!op->connected() && !connect())
                return fail(QStringLiteral("lost the instrument before test %1").arg(i));
            result.expectedRows += finishOneTest(result.expectedRows) ? 1 : 0;
        }
    }

    void runAutoSeries(MainWindow* window)
    {
        constexpr int kSeriesLength = 3;
        for (int series = 0; series < plan.autoSeries; ++series) {
            const int before = op->rows();
            QMetaObject::invokeMethod(window, "startAutoTestSlot", Q_ARG(int, kSeriesLength),
                                      Q_ARG(int, 50));
            QElapsedTimer limit;
            limit.start();
            int seen = 0;
            while ((op->autoRunShown() || seen < kSeriesLength) && limit.elapsed() < 10000) {
                if (rv->testState() == 1) {
                    rv->setMeasuredResistance(200.0 + (result.expectedRows + seen) * 0.01);
                    if (!waitUntil([&] { return op->testShown(); }, 2000))
                        fail(QStringLiteral("series %1: a test the window never showed")
                                 .arg(series));
                    sim::SimBus::instance().advanceClock(31000);
                    ++seen;
                    if (!waitUntil([&] { return op->rows() >= before + seen; }, 2000))
                        fail(QStringLiteral("series %1: no row for test %2").arg(series).arg(seen));
                }
                spin(5);
            }
            if (op->rows() != before + kSeriesLength || op->autoRunShown())
                fail(QStringLiteral("series %1: %2 rows instead of %3")
                         .arg(series)
                         .arg(op->rows() - before)
                         .arg(kSeriesLength));
            result.expectedRows += op->rows() - before;
        }
    }

    const Plan& plan;
    Result& result;
    sim::SimInstrument* rv = nullptr;
    std::unique_ptr<Operator> op;
};

} // namespace

Result run(const Plan& plan)
{
    Result result;
    Runner(plan, result).run();
    return result;
}

} // namespace soak
