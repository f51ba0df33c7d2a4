// One station as a process of its own: appends COUNT records to its journal
// while they are forwarded, and exits 0 once the server has taken them all
// (1 after a minute without that).
//   central_station JOURNAL CONNINFO STATION COUNT
#include "CentralLink.h"
#include "JournalFixtures.h"

#include <QCoreApplication>
#include <QTimer>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 5)
        return 2;
    Journal journal;
    if (journal.open(args[1]) != Journal::State::Open)
        return 3;
    CentralLink link(&journal, {args[2], args[3], QString()});
    const int count = args[4].toInt();
    int appended = 0;
    QTimer tick;
    auto doneWhenForwarded = [&] {
        if (appended == count && journal.waitingCount() == 0)
            app.exit(0);
    };
    QObject::connect(&link, &CentralLink::statusChanged, doneWhenForwarded);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        using namespace journalfixtures;
        journal.append(cellsFor(appended, appended + 1), identity(), timeFor(appended));
        if (++appended == count) {
            tick.stop();
            doneWhenForwarded();
        }
    });
    tick.start(0);
    QTimer::singleShot(60000, &app, [&] { app.exit(1); });
    return app.exec();
}
