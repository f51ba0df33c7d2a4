// Time and size of a measurement report with 500 live records, written as the
// program writes it: the font substitution of start-up, A4 at 300 dpi, through
// a temporary file renamed into place.
#include "FontSetup.h"
#include "PdfReport.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QStandardItemModel>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kRecords = 500;

// A live table as a long session leaves it: every test a row, a remark now and
// then, one of them several lines long.
void fillRecords(QStandardItemModel& model)
{
    model.setHorizontalHeaderLabels({"序号", "记录时间", "测试时间", "电流设置", "测试电流",
                                     "测试电阻", "比较值", "比较结果", "备注"});
    const QDateTime start(QDate(2024, 5, 6), QTime(8, 0));
    for (int r = 1; r <= kRecords; ++r) {
        QString remark;
        if (r % 10 == 0)
            remark = QStringLiteral("第%1组母线接头，复测").arg(r);
        if (r % 100 == 0)
            remark += QStringLiteral("\n螺栓已按规定力矩紧固\n环境温度 23.5 ℃，湿度 61%");
        const QStringList texts{
            QString::number(r),
            start.addSecs(r * 75).toString("yyyy-MM-dd hh:mm:ss"),
            QStringLiteral("%1S").arg(10 + r % 50),
            QStringLiteral("%1A").arg(r % 2 ? 100 : 200),
            QStringLiteral("%1.%2A").arg(r % 2 ? 99 : 199).arg(r % 10),
            QStringLiteral("%1.%2 μΩ").arg(20 + r % 80).arg(r % 100, 2, 10, QLatin1Char('0')),
            r % 3 ? QStringLiteral("80.00μΩ") : QString(),
            r % 3 ? (r % 7 ? "PASS" : "FAIL") : QString(),
            remark};
        QList<QStandardItem*> row;
        for (const QString& t : texts)
            row << new QStandardItem(t);
        model.appendRow(row);
    }
}

LiveSnapshot liveSnapshot()
{
    LiveSnapshot l;
    l.comparisonOn = true;
    l.takenAt = QDateTime(QDate(2024, 5, 6), QTime(18, 30));
    l.comparisonCaption = QStringLiteral("比较");
    l.comparisonValue = QStringLiteral("80.000");
    l.comparisonUnit = QStringLiteral("μΩ");
    l.currentSettingCaption = QStringLiteral("电流设置");
    l.currentSetting = QStringLiteral("200A");
    l.testingTimeCaption = QStringLiteral("测试时间");
    l.testingTime = QStringLiteral("30S");
    l.testStatus = QStringLiteral("测试完成");
    l.testingRes = QStringLiteral("45.67 μΩ");
    l.comparativeResult = QStringLiteral("PASS");
    l.storeNumberCaption = QStringLiteral("存储组号");
    l.storeNumber = QStringLiteral("150");
    l.testingCurrentCaption = QStringLiteral("测试电流");
    l.testingCurrent = QStringLiteral("199.8A");
    l.timeLeftCaption = QStringLiteral("剩余时间");
    l.timeLeft = QStringLiteral("0S");
    l.remark = QStringLiteral("月度例行检测");
    return l;
}

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    installFontSubstitutions();
    QLoggingCategory::setFilterRules(QStringLiteral("lt.*.debug=false"));

    QStandardItemModel records(0, 9);
    fillRecords(records);
    const PdfSettingData settings{"华东电力检修公司", "张伟",  "13912345678", "200A 回路电阻测试仪",
                                  "RV718B",           "V2.10", "220kV 母线",  "变电站"};
    const PdfReport report(settings, liveSnapshot(), &records);

    QTemporaryDir dir;
    // A path given on the command line keeps the report there, to look at it.
    const QString path =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : dir.filePath(QStringLiteral("report.pdf"));
    // The best of a few writes, so a neighbour's burst of work on a shared
    // machine does not pass for the report's cost.
    double best = 1e9;
    for (int round = 0; round < 3; ++round) {
        QElapsedTimer timer;
        timer.start();
        QString reason;
        if (!report.write(path, &reason)) {
            std::fprintf(stderr, "bench_pdf: report not written: %s\n", qPrintable(reason));
            return 1;
        }
        best = std::min(best, double(timer.nsecsElapsed()) / 1e9);
    }
    std::printf("pdf_500_records_s %.3f s\n", best);
    std::printf("pdf_500_records_mb %.3f MB\n", double(QFileInfo(path).size()) / 1e6);
    return 0;
}
