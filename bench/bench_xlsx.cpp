// Exporting a long live record table to a workbook: the time of one export
// and the peak resident memory of the whole process, table included.
#include "WorkbookCheck.h"
#include "XlsxExport.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QLoggingCategory>
#include <QStandardItemModel>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kRows = 10000;
constexpr int kRounds = 5;

// The nine columns of the live record table, filled as appended rows are.
void fillLiveTable(QStandardItemModel& model)
{
    model.setHorizontalHeaderLabels({"序号", "记录时间", "测试时间", "电流设置", "测试电流",
                                     "测试电阻", "比较值", "比较结果", "备注"});
    const QDateTime start(QDate(2024, 1, 31), QTime(8, 0, 0));
    for (int r = 0; r < kRows; ++r) {
        const bool pass = r % 7 != 0;
        const QStringList texts{
            QString::number(r + 1),
            start.addSecs(r * 75).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")),
            QStringLiteral("%1S").arg(5 + r % 56),
            QStringLiteral("%1A").arg(10 * (1 + r % 20)),
            QStringLiteral("%1A").arg(10.0 * (1 + r % 20) + 0.1 * (r % 9), 0, 'f', 1),
            QStringLiteral("%1 μΩ").arg(100.0 + (r % 997) * 0.37, 0, 'f', 2),
            r % 3 ? QStringLiteral("150.00μΩ") : QString(),
            pass ? QStringLiteral("合格") : QStringLiteral("不合格"),
            r % 50 ? QString() : QStringLiteral("母线接头 %1\n复测").arg(r),
        };
        QList<QStandardItem*> items;
        for (const QString& t : texts)
            items.append(new QStandardItem(t));
        model.appendRow(items);
    }
}

// Highest resident set size of this process so far, in MiB.
double peakResidentMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly | QIODevice::Text))
        return -1;
    // A /proc file reports no size: read it to its end.
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return -1;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("lt.reports.debug=false"));
    QStandardItemModel model;
    fillLiveTable(model);
    const double tableMb = peakResidentMb();

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("live.xlsx"));
    double best = 1e9;
    for (int round = 0; round < kRounds; ++round) {
        QElapsedTimer timer;
        timer.start();
        QString error;
        if (!xlsxexport::exportTable(model, file, &error)) {
            std::fprintf(stderr, "bench_xlsx: export failed: %s\n", qPrintable(error));
            return 1;
        }
        best = std::min(best, double(timer.nsecsElapsed()) / 1e9);
    }

    // The read-back check every save ends with, on its own.
    double bestCheck = 1e9;
    for (int round = 0; round < kRounds; ++round) {
        QElapsedTimer timer;
        timer.start();
        if (!workbookcheck::problemIn(file).isEmpty()) {
            std::fprintf(stderr, "bench_xlsx: the workbook does not read back\n");
            return 1;
        }
        bestCheck = std::min(bestCheck, double(timer.nsecsElapsed()) / 1e9);
    }

    std::printf("xlsx_10000_rows_s %.3f s\n", best);
    std::printf("xlsx_10000_rows_check_s %.3f s\n", bestCheck);
    std::printf("xlsx_10000_rows_peak_mb %.1f MB\n", peakResidentMb());
    std::printf("xlsx_10000_rows_table_only_mb %.1f MB\n", tableMb);
    std::printf("xlsx_10000_rows_file_kb %.0f KB\n", double(QFile(file).size()) / 1024.0);
    return 0;
}
