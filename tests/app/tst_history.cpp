// The history of a measured object: what the journal gives for an object, the
// spreads and changes worked out from it, the plot, the exports, and the
// object and point typed on the live page reaching the records.
#include "HistoryChart.h"
#include "HistoryExport.h"
#include "HistoryWindow.h"
#include "PdfReport.h"
#include "WindowHarness.h"
#include "ui_mainwindow.h" // compiled into this target by AUTOUIC

#include <QChart>
#include <QChartView>
#include <QLineEdit>
#include <QLineSeries>
#include <QTemporaryDir>

#include <cmath>

using namespace QtCharts;

namespace {

QDateTime on(int year, int minute = 0)
{
    return QDateTime(QDate(year, 3, 1), QTime(10, minute));
}

// openpyxl's view of a history workbook: each chart's title and series
// references, and each used cell as "value|type" (type s: text, n: number).
const char* const kReadChart = R"(
import json, sys, openpyxl
ws = openpyxl.load_workbook(sys.argv[1]).worksheets[0]
charts = [{"title": c.title.tx.strRef.f,
           "series": [[s.tx.strRef.f, s.cat.strRef.f if s.cat.strRef else s.cat.numRef.f,
                       s.val.numRef.f] for s in c.series]} for c in ws._charts]
cells = {c.coordinate: f"{c.value}|{c.data_type}" for row in ws.iter_rows() for c in row
         if c.value is not None}
json.dump({"charts": charts, "cells": cells}, sys.stdout, ensure_ascii=False)
)";

QJsonObject readChart(const QString& path)
{
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral("-c"), QString::fromUtf8(kReadChart), path});
    if (!python.waitForFinished(60000) || python.exitCode() != 0)
        qWarning().noquote() << python.readAllStandardError();
    return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
}

QString pdfText(const QString& path)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {path, QStringLiteral("-")});
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

QString percentText(double v, bool flagged)
{
    if (std::isnan(v))
        return QStringLiteral("-");
    return QString::asprintf("%+.1f", v) + (flagged ? QStringLiteral("!") : QString());
}

} // namespace

class TestHistory : public WindowHarness
{
    Q_OBJECT

    QTemporaryDir dir;
    Journal journal;

    void append(const QString& object, const QString& point, const QDateTime& at,
                const QString& resistance, const QString& comparison = {})
    {
        const QStringList cells = {"1",     at.toString(), "10S",     "100A",
                                   "99.8A", resistance,    comparison};
        QVERIFY(journal.append(cells + QStringList{{}, {}}, {}, at, {object, point}) > 0);
    }

private slots:
    void initTestCase()
    {
        installHandlers();
        QCOMPARE(journal.open(dir.filePath(QStringLiteral("j.sqlite"))), Journal::State::Open);
        // Two breakers, three poles, three yearly dates; QF2 B measured twice
        // on the first date, its A over range on the second.
        const char* const qf1[3][3] = {{"100 μΩ", "100 μΩ", "120 μΩ"},
                                       {"110 μΩ", "105 μΩ", "160 μΩ"},
                                       {"130 μΩ", "100 μΩ", "200 μΩ"}};
        const char* const qf2[3][3] = {{"50.0 μΩ", "52.0 μΩ", "50.0 μΩ"},
                                       {"OL", "52.0 μΩ", "51.0 μΩ"},
                                       {"55.0 μΩ", "50.0 μΩ", "0.065 mΩ"}};
        const QStringList poles = {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")};
        append(QStringLiteral("QF2"), QStringLiteral("B"), on(2024, 0), QStringLiteral("40 μΩ"),
               QStringLiteral("60.0μΩ"));
        for (int year = 0; year < 3; ++year) {
            for (int p = 0; p < 3; ++p) {
                append(QStringLiteral("QF1"), poles[p], on(2024 + year, p), qf1[year][p]);
                append(QStringLiteral("QF2"), poles[p], on(2024 + year, 10 + p), qf2[year][p],
                       year == 0 ? QStringLiteral("60.0μΩ") : QString());
            }
        }
        append(QStringLiteral("=1+1"), QStringLiteral("+A"), on(2024), QStringLiteral("1 mΩ"));
        append(QStringLiteral("=1+1"), QStringLiteral("@C"), on(2024), QStringLiteral("2 mΩ"));
        // Deleted from the live table: a wrong measurement, not history.
        append(QStringLiteral("QF1"), QStringLiteral("A"), on(2026, 30), QStringLiteral("999 μΩ"));
        append(QStringLiteral("QF3"), QStringLiteral("A"), on(2027), QStringLiteral("1 μΩ"));
        QVERIFY(journal.remove(
            {journal.sessionRecords().at(21).id, journal.sessionRecords().at(22).id}));
    }

    void init() { startFresh(); }
    void cleanup() { closeWindow(); }

    void analysis_data()
    {
        QTest::addColumn<QString>("object");
        QTest::addColumn<double>("changeLimit");
        QTest::addColumn<QString>("points");  // point:records
        QTest::addColumn<QString>("spreads"); // per day, ! above 50 %
        QTest::addColumn<QString>("changes"); // per point, ! above the change limit
        QTest::newRow("QF1") << "QF1" << 20.0 << "A:3 B:3 C:3"
                             << "+20.0 +52.4! +100.0!"
                             << "A -,+10.0,+30.0! B -,+5.0,+0.0 C -,+33.3!,+66.7!";
        QTest::newRow("QF1, change limit 40 %") << "QF1" << 40.0 << "A:3 B:3 C:3"
                                                << "+20.0 +52.4! +100.0!"
                                                << "A -,+10.0,+30.0 B -,+5.0,+0.0 C -,+33.3,+66.7!";
        // The day's last reading of a point counts; over range is no reading.
        QTest::newRow("QF2") << "QF2" << 20.0 << "A:3 B:4 C:3"
                             << "+4.0 +2.0 +30.0"
                             << "A -,-,+10.0 B -,+30.0!,+30.0!,+25.0! C -,+2.0,+30.0!";
    }

    void analysis()
    {
        QFETCH(QString, object);
        QFETCH(double, changeLimit);
        const QVector<Journal::Record> records = journal.objectRecords(object);
        const history::Analysis a = history::analyse(records, {50.0, changeLimit});
        QStringList points, spreads, changes;
        for (const history::PointHistory& p : a.points) {
            points << p.point + QLatin1Char(':') + QString::number(p.readings.size());
            QStringList c;
            for (const history::Reading& r : p.readings)
                c << percentText(r.changePercent, r.changeFlagged);
            changes << p.point + QLatin1Char(' ') + c.join(QLatin1Char(','));
        }
        for (const history::DaySpread& d : a.days)
            spreads << percentText(d.spreadPercent, d.flagged);
        QTEST(points.join(QLatin1Char(' ')), "points");
        QTEST(spreads.join(QLatin1Char(' ')), "spreads");
        QTEST(changes.join(QLatin1Char(' ')), "changes");
    }

    void objectsAndRange()
    {
        // Most recently appended first; QF3, whose one record was deleted, not at all.
        QCOMPARE(journal.objects(), (QStringList{"QF1", "=1+1", "QF2"}));
        QCOMPARE(journal.objectRecords(QStringLiteral("QF1"), on(2025), on(2026, 59)).size(), 6);
        QCOMPARE(journal.objectRecords(QStringLiteral("QF1"), on(2026, 1)).size(), 2);
    }

    void cleanSubject_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("kept");
        QTest::newRow("line break") << "L1\nupper joint"
                                    << "L1 upper joint";
        QTest::newRow("too long") << QString(70, QLatin1Char('x')) << QString(32, 'x');
    }

    void cleanSubject()
    {
        QFETCH(QString, typed);
        QTEST(history::cleanSubject({QString(), typed}).point, "kept");
    }

    // The plot shows the records' values: one line per point, the comparison
    // values as a line of their own.
    void chartHoldsTheReadings()
    {
        const QVector<Journal::Record> records = journal.objectRecords(QStringLiteral("QF2"));
        const std::unique_ptr<QChart> chart(HistoryChart::build(history::analyse(records)));
        QStringList names;
        for (QAbstractSeries* s : chart->series())
            names << s->name();
        QCOMPARE(names, (QStringList{"A", "B", "C", HistoryChart::tr("比较值")}));
        const auto* a = static_cast<QLineSeries*>(chart->series().at(0));
        QCOMPARE(a->pointsVector(),
                 (QVector<QPointF>{{qreal(on(2024, 10).toMSecsSinceEpoch()), 50.0},
                                   {qreal(on(2026, 10).toMSecsSinceEpoch()), 55.0}}));
        const auto* comparison = static_cast<QLineSeries*>(chart->series().at(3));
        QCOMPARE(comparison->count(), 4);
        QCOMPARE(comparison->at(3).y(), 60.0);
    }

    // The chart refers to the day table's cells, and the day table holds the
    // readings the chart is to draw.
    void workbookChart()
    {
        const QVector<Journal::Record> records = journal.objectRecords(QStringLiteral("QF1"));
        const history::Analysis a = history::analyse(records);
        const QString path = dir.filePath(QStringLiteral("qf1.xlsx"));
        QString reason;
        QVERIFY2(HistoryExport(QStringLiteral("QF1"), a, {}).writeWorkbook(path, &reason),
                 qPrintable(reason));
        const QJsonObject book = readChart(path);
        const QJsonArray charts = book.value("charts").toArray();
        QCOMPARE(charts.size(), 1);
        QCOMPARE(charts.at(0)["title"].toString(), QStringLiteral("Sheet1!$A$1"));
        QStringList series;
        for (const QJsonValue& s : charts.at(0)["series"].toArray())
            series << s.toVariant().toStringList().join(QLatin1Char(' '));
        QCOMPARE(series, (QStringList{"Sheet1!$J$2 Sheet1!$I$3:$I$5 Sheet1!$J$3:$J$5",
                                      "Sheet1!$K$2 Sheet1!$I$3:$I$5 Sheet1!$K$3:$K$5",
                                      "Sheet1!$L$2 Sheet1!$I$3:$I$5 Sheet1!$L$3:$L$5"}));
        const QJsonObject cells = book.value("cells").toObject();
        const QString title = "A1=" + HistoryExport::tr("测量对象：%1").arg("QF1") + "|s";
        for (const QString& e :
             {title, QStringLiteral("I3=2024-03-01|s"), QStringLiteral("J2=A|s"),
              QStringLiteral("J3=100|n"), QStringLiteral("J5=130|n"), QStringLiteral("L4=160|n"),
              QStringLiteral("M4=52.4|n"), QStringLiteral("D5=130|n"), QStringLiteral("F5=30|n")}) {
            const QString at = e.section(QLatin1Char('='), 0, 0);
            QCOMPARE(at + QLatin1Char('=') + cells.value(at).toString(), e);
        }
    }

    // A name that looks like a formula is written, and read back, as text.
    void formulaLikeNamesStayText()
    {
        const QVector<Journal::Record> records = journal.objectRecords(QStringLiteral("=1+1"));
        const history::Analysis a = history::analyse(records);
        const QString path = dir.filePath(QStringLiteral("formula.xlsx"));
        QVERIFY(HistoryExport(QStringLiteral("=1+1"), a, {}).writeWorkbook(path));
        const QJsonObject cells = readChart(path).value("cells").toObject();
        QCOMPARE(cells.value("A3").toString(), QStringLiteral("+A|s"));
        QCOMPARE(cells.value("A4").toString(), QStringLiteral("@C|s"));
        QCOMPARE(cells.value("K2").toString(), QStringLiteral("@C|s"));
        QVERIFY(cells.value("A1").toString().contains(QStringLiteral("=1+1")));
        const QString pdf = dir.filePath(QStringLiteral("formula.pdf"));
        QVERIFY(HistoryExport(QStringLiteral("=1+1"), a, {}).writePdf(pdf));
        QVERIFY(pdfText(pdf).contains(QStringLiteral("@C")));
    }

    // Object and point typed beside the remark go with each record: into the
    // journal, the record table's last columns and the report's record page,
    // not into the table's workbook; the history then shows them.
    void liveRecordsCarryWhatWasMeasured()
    {
        SimInstrument* rv = attachAndConnect();
        QVERIFY(rv);
        w->objectBox->setEditText(QStringLiteral(" \tQF7 \u200b"));
        w->pointEdit->setText(QStringLiteral("B "));
        rv->setMeasuredResistance(125.4);
        QVERIFY(runTest(rv));
        w->pointEdit->setText(QStringLiteral("C"));
        QVERIFY(runTest(rv));
        QCOMPARE(w->liveRecordModel->index(1, 9).data().toString(), QStringLiteral("QF7"));
        QCOMPARE(w->liveRecordModel->index(1, 10).data().toString(), QStringLiteral("C"));
        const QVector<Journal::Record> kept = w->journal->sessionRecords();
        QCOMPARE(kept.size(), 2);
        QCOMPARE(kept.at(0).subject.object + kept.at(0).subject.point, QStringLiteral("QF7B"));
        QCOMPARE(w->objectBox->itemText(0), QStringLiteral("QF7"));

        chosenFile = dir.filePath(QStringLiteral("live.xlsx"));
        ui()->pushButton_save->click();
        const QJsonObject liveCells = readChart(chosenFile).value("cells").toObject();
        QVERIFY(liveCells.contains("I1") && !liveCells.contains("J1")); // nine columns
        const QString report = dir.filePath(QStringLiteral("live.pdf"));
        QVERIFY(PdfReport({}, w->liveSnapshot(), w->liveRecordModel).write(report));
        QVERIFY(pdfText(report).contains(QStringLiteral("QF7")));

        w->actionHistory->trigger();
        auto* history = w->findChild<HistoryWindow*>();
        QVERIFY(history && history->isVisible());
        QCOMPARE(history->object(), QStringLiteral("QF7"));
        const QList<QAbstractSeries*> lines = history->chartView_->chart()->series();
        QCOMPARE(lines.size(), 2);
        QCOMPARE(static_cast<QLineSeries*>(lines.at(1))->at(0).y(), 125.4);
        QCOMPARE(history->recordModel_->rowCount(), 2); // one group per point
        QVERIFY(runTest(rv));                           // an open history follows the table
        QTRY_COMPARE(history->recordModel_->item(1)->rowCount(), 2);
        // Saved as the window saves: the suffix added, no program to open it said.
        chosenFile = dir.filePath(QStringLiteral("history"));
        canOpen = false;
        history->exportWorkbook();
        QVERIFY(QFile::exists(chosenFile + ".xlsx") && notices.last().contains(chosenFile));

        // A language change reaches the open history and its plot.
        chooseLanguage("en");
        QCOMPARE(history->windowTitle(), QStringLiteral("Measurement History"));
        QCOMPARE(history->chartView_->chart()->axes(Qt::Horizontal).at(0)->titleText(),
                 QStringLiteral("Date"));
        QCOMPARE(w->actionHistory->text(), QStringLiteral("Measurement History"));
    }
};

QTEST_MAIN(TestHistory)
#include "tst_history.moc"
