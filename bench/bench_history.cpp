// Opening the history of one object in a journal of 100,000 records of 300
// objects: the object with 1,000 records (three points, one test of each a
// week) is read, worked out, plotted and tabled, and the window painted once.
// The journal is filled in one transaction beside the program (filling it
// through appends, one synced write each, would take many minutes).
#include "HistoryWindow.h"
#include "Journal.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUuid>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kRecords = 100000;
constexpr int kObjects = 300;
constexpr int kOfTheObject = 1000;

int fail(const char* what)
{
    std::fprintf(stderr, "bench_history: %s\n", what);
    return 1;
}

QString objectName(int index)
{
    return QStringLiteral("QF%1 断路器").arg(index);
}

bool fill(const QString& path)
{
    {
        Journal journal; // the tables, at the current version
        if (journal.open(path) != Journal::State::Open)
            return false;
    }
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "fill");
        db.setDatabaseName(path);
        ok = db.open() && db.transaction();
        QSqlQuery q(db);
        ok = ok && q.prepare(QStringLiteral(
                       "INSERT INTO records (session, state, recorded_at, device_name, "
                       "device_model, device_version, number, recorded, test_time, current_set, "
                       "test_current, resistance, comparison, result, remark, uuid, object, point) "
                       "VALUES (1, 3, ?, 'LoopTester', 'RV718B', 'V1.02', ?, ?, '30S', '100A', "
                       "'99.9A', ?, '300.0μΩ', 'PASS', '', ?, ?, ?)"));
        const QDateTime start(QDate(2006, 1, 2), QTime(9, 0));
        const char* const points[] = {"A", "B", "C"};
        for (int i = 0; ok && i < kRecords; ++i) {
            // The first kOfTheObject records are the object's; the rest share
            // the other objects in turn.
            const int object = i < kOfTheObject ? 0 : 1 + i % (kObjects - 1);
            const int serial = i < kOfTheObject ? i : i / (kObjects - 1);
            const QDateTime at = start.addDays(7 * (serial / 3)).addSecs(60 * (serial % 3));
            q.addBindValue(at.toMSecsSinceEpoch());
            q.addBindValue(QString::number(i + 1));
            q.addBindValue(at.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")));
            q.addBindValue(QStringLiteral("%1 μΩ").arg(100 + (i * 37) % 90));
            q.addBindValue(QUuid::createUuid().toString(QUuid::WithoutBraces));
            q.addBindValue(objectName(object));
            q.addBindValue(QString::fromLatin1(points[serial % 3]));
            ok = q.exec();
        }
        ok = ok && db.commit();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fill"));
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("journal.sqlite"));
    if (!dir.isValid() || !fill(path))
        return fail("the journal could not be filled");

    Journal journal;
    if (journal.open(path) != Journal::State::Open)
        return fail("the journal did not open");
    std::vector<double> openMs;
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer t;
        t.start();
        HistoryWindow window(&journal);
        window.refresh(objectName(0));
        window.resize(1280, 720);
        const QPixmap painted = window.grab();
        openMs.push_back(double(t.nsecsElapsed()) / 1e6);
        if (window.object() != objectName(0) || painted.isNull())
            return fail("the history did not open");
    }
    if (journal.objectRecords(objectName(0)).size() != kOfTheObject ||
        journal.objects().size() != kObjects)
        return fail("the journal does not hold what was filled in");
    std::sort(openMs.begin(), openMs.end());
    std::printf("history_open_100000_ms %.1f ms\n", openMs[openMs.size() / 2]);
    return 0;
}
