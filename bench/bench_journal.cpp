// The journal's cost on the GUI thread: one append (a synced transaction)
// with 10,000 records already in the file, one remark update, and the
// start-up restore of 10,000 unsaved records (open, question, restore).
// An append cannot be cheaper than one synced write to the disk, so that
// write is measured beside it, in the same folder and at the same time.
#include "Journal.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

#include <unistd.h>

namespace {

constexpr int kRecords = 10000;

QStringList cellsFor(int serial)
{
    const QDateTime at = QDateTime(QDate(2026, 12, 6), QTime(8, 0)).addSecs(serial * 40);
    return {
        QString::number(serial + 1),
        at.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")),
        QStringLiteral("%1S").arg(serial % 60),
        QStringLiteral("100A"),
        QStringLiteral("99.%1A").arg(serial % 10),
        QStringLiteral("%1 μΩ").arg(100 + serial % 900) + QChar(0),
        QStringLiteral("120.00μΩ"),
        serial % 7 ? QStringLiteral("PASS") : QStringLiteral("FAIL"),
        QStringLiteral("母线 A 相 第 %1 组").arg(serial),
    };
}

const Journal::Identity kIdentity{QStringLiteral("LoopTester"),
                                  QString::fromLatin1("RV718B\0\0\0\0\0", 11),
                                  QString::fromLatin1("V1.02\0\0\0\0\0\0", 11)};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

int fail(const char* what)
{
    std::fprintf(stderr, "bench_journal: %s\n", what);
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid())
        return fail("no temporary folder");
    const QString path = dir.filePath(QStringLiteral("journal.sqlite"));

    std::vector<double> appendMs;
    std::vector<double> remarkMs;
    std::vector<double> syncMs;
    QFile syncFile(dir.filePath(QStringLiteral("sync")));
    if (!syncFile.open(QIODevice::ReadWrite))
        return fail("no file for the disk's sync");
    {
        Journal journal;
        if (journal.open(path) != Journal::State::Open)
            return fail("journal did not open");
        for (int i = 0; i < kRecords; ++i) {
            if (journal.append(cellsFor(i), kIdentity) < 0)
                return fail("filling failed");
        }
        // Measured appends are removed again so that the restore below finds
        // exactly kRecords records.
        QVector<qint64> measured;
        for (int i = 0; i < 201; ++i) {
            QElapsedTimer t;
            t.start();
            const qint64 id = journal.append(cellsFor(kRecords + i), kIdentity);
            appendMs.push_back(double(t.nsecsElapsed()) / 1e6);
            if (id < 0)
                return fail("append failed");
            measured << id;

            t.restart();
            if (!journal.setPendingRemark(QStringLiteral("母线 B 相 %1").arg(i)))
                return fail("remark failed");
            remarkMs.push_back(double(t.nsecsElapsed()) / 1e6);

            t.restart();
            if (!syncFile.seek(0) || syncFile.write(QByteArray(4096, char(i))) != 4096 ||
                !syncFile.flush() || ::fdatasync(syncFile.handle()) != 0)
                return fail("synced write failed");
            syncMs.push_back(double(t.nsecsElapsed()) / 1e6);
        }
        if (!journal.remove(measured))
            return fail("remove failed");
    }

    // Restored records stay unsaved, so every run finds the same 10,000.
    std::vector<double> restoreMs;
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer t;
        t.start();
        Journal journal;
        if (journal.open(path) != Journal::State::Open)
            return fail("journal did not reopen");
        const Journal::Pending pending = journal.pending();
        const QVector<Journal::Record> back = journal.restore();
        restoreMs.push_back(double(t.nsecsElapsed()) / 1e6);
        if (pending.count != kRecords || back.size() != kRecords ||
            back.last().cells != cellsFor(kRecords - 1))
            return fail("restore did not return the records");
    }

    std::printf("journal_append_ms %.3f ms\n", median(appendMs));
    std::printf("journal_append_max_ms %.3f ms\n",
                *std::max_element(appendMs.begin(), appendMs.end()));
    std::printf("journal_remark_ms %.3f ms\n", median(remarkMs));
    std::printf("journal_disk_sync_ms %.3f ms\n", median(syncMs));
    std::printf("journal_restore_10000_ms %.1f ms\n", median(restoreMs));
    return 0;
}
