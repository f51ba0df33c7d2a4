// The measurement report, read back from real PDF files with poppler's tools as
// an operator's viewer would see it, in both languages.
#include "PdfReport.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QTranslator>
#include <QtTest>

namespace {

// Runs a poppler tool and returns what it printed.
QString poppler(const QString& tool, const QStringList& args)
{
    QProcess p;
    p.start(tool, args);
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return QStringLiteral("<%1 failed: %2>")
            .arg(tool, QString::fromUtf8(p.readAllStandardError()));
    return QString::fromUtf8(p.readAllStandardOutput());
}

// pdftotext ends every page with a form feed.
int pagesOf(const QString& pdf)
{
    return poppler("pdftotext", {pdf, "-"}).count(QLatin1Char('\f'));
}

// The usable page in points: A4 less the 30 pt margins.
const double marginPt = 30.0;
const QRectF usable(marginPt, marginPt, 595.28 - 2 * marginPt, 841.89 - 2 * marginPt);

// Words of one page with their boxes, in points from the page's top left,
// in reading order: line by line (words of a line share their top), left to right.
struct Word
{
    QString text;
    QRectF box;
};
QVector<Word> pageWords(const QString& pdf, int page)
{
    const QString n = QString::number(page);
    const QString html = poppler("pdftotext", {"-bbox", "-f", n, "-l", n, pdf, "-"});
    QVector<Word> words;
    QRegularExpression re(QStringLiteral("<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" "
                                         "xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">([^<]*)</word>"));
    for (auto it = re.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        const auto at = [&m](int i) { return m.captured(i).toDouble(); };
        words.append({m.captured(5), QRectF(QPointF(at(1), at(2)), QPointF(at(3), at(4)))});
    }
    std::sort(words.begin(), words.end(), [](const Word& a, const Word& b) {
        return std::make_pair(qRound(a.box.top()), a.box.left()) <
               std::make_pair(qRound(b.box.top()), b.box.left());
    });
    return words;
}

// The words starting in a column of the usable width (given as fractions of
// it), joined by spaces in reading order: a value wrapped in its column reads on.
QString columnText(const QVector<Word>& words, double from, double to)
{
    QStringList texts;
    for (const Word& w : words) {
        const double x = (w.box.left() - usable.left()) / usable.width();
        if (x >= from - 0.01 && x < to - 0.01)
            texts << w.text;
    }
    return texts.join(QLatin1Char(' '));
}

// The word after the first `label` in reading order, if on the same line.
QString wordAfter(const QVector<Word>& words, const QString& label)
{
    for (int i = 0; i + 1 < words.size(); ++i)
        if (words[i].text == label)
            return qAbs(words[i + 1].box.center().y() - words[i].box.center().y()) < 3
                       ? words[i + 1].text
                       : QString();
    return QString();
}

// Finds each text in turn after the one before, as whole words. A line may
// break between its words, after a hyphen, next to a Chinese character, and
// anywhere in a word too long for a line (over 60 characters); nowhere else.
QString missingInOrder(const QString& column, const QStringList& texts)
{
    int from = 0;
    for (const QString& text : texts) {
        QStringList words;
        for (const QString& word : text.split(QRegularExpression("\\s+"), Qt::SkipEmptyParts)) {
            QString pattern;
            for (int i = 0; i < word.size(); ++i) {
                const bool breakable =
                    word.size() > 60 || word[i] > QChar(0x2E80) ||
                    (i > 0 && (word[i - 1] > QChar(0x2E80) || word[i - 1] == '-'));
                pattern += QStringLiteral("%1\\x{%2}")
                               .arg(i > 0 && breakable ? "\\s?" : "")
                               .arg(word[i].unicode(), 0, 16);
            }
            words << pattern;
        }
        const QRegularExpression re("(?:^|\\s)" + words.join("\\s*") + "(?=\\s|$)");
        const auto m = re.match(column, from);
        if (!m.hasMatch())
            return text;
        from = m.capturedEnd();
    }
    return QString();
}

// What is wrong with one page: a word that overlaps another or leaves the
// usable page, or the first text of a column not read back in its place.
struct Column
{
    Column(double f, double t, const QStringList& x) : from(f), to(t), texts(x) {}
    double from, to; // fractions of the usable width
    QStringList texts;
};
QString misread(const QString& pdf, int page, const QVector<Column>& columns)
{
    const QVector<Word> words = pageWords(pdf, page);
    const QString where = QStringLiteral("page %1: ").arg(page);
    for (int i = 0; i < words.size(); ++i) {
        if (!usable.adjusted(-0.5, -0.5, 0.5, 0.5).contains(words[i].box))
            return where + words[i].text + " leaves the page";
        for (int j = i + 1; j < words.size(); ++j) {
            const QRectF both = words[i].box.intersected(words[j].box);
            if (both.width() > 0.2 && both.height() > 0.2)
                return where + words[i].text + " overlaps " + words[j].text;
        }
    }
    for (const Column& c : columns) {
        const QString missing = missingInOrder(columnText(words, c.from, c.to), c.texts);
        if (!missing.isEmpty())
            return where + missing + " not read back";
    }
    return QString();
}

QString windowText(const char* source)
{
    return QCoreApplication::translate("MainWindow", source);
}

// The live table as the window fills it, in the language installed.
QStandardItemModel* liveRecords(int rows, const QStringList& remarks, QObject* parent)
{
    auto* model = new QStandardItemModel(0, 9, parent);
    QStringList headers;
    for (const char* h : {"序号", "记录时间", "测试时间", "电流设置", "测试电流", "测试电阻",
                          "比较值", "比较结果", "备注"})
        headers << windowText(h);
    model->setHorizontalHeaderLabels(headers);
    for (int r = 1; r <= rows; ++r) {
        QList<QStandardItem*> row;
        const QStringList texts =
            QStringLiteral("%1|2024-05-0%1 10:15:3%1|27S|100A|99.%1A|%1%3|150.00μΩ|%2")
                .arg(r)
                .arg(r == 2 ? "FAIL" : "PASS", "3.45 μΩ")
                .split('|')
            << remarks.value(r - 1);
        for (const QString& t : texts)
            row << new QStandardItem(t);
        model->appendRow(row);
    }
    return model;
}

// The live page as the window shows it, in the language installed.
LiveSnapshot liveSnapshot()
{
    const auto w = windowText;
    // clang-format off
    return {true, true, QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9)),
            w("比较值"), "1.2500", "mΩ", w("电流设置"), "60A", w("测试时间"), "30S",
            w("测试完成"), "0.987 mΩ", "PASS", w("存储组数"), "17", w("测试电流"), "99.6A",
            w("剩余时间"), "0S", QString()};
    // clang-format on
}

// By default as the instrument names itself: model and version with their fill bytes.
PdfSettingData settingsOf(const QStringList& f = {
                              "华东电力检修公司", "张伟", "13912345678", "100A 回路电阻测试仪",
                              QStringLiteral("RV718A\u0000\u0000\u0000\u0000\u0000"),
                              QStringLiteral("V1.02\u0000\u0000"), "2号主变 高压侧", "变电站 户外"})
{
    return {f.value(0), f.value(1), f.value(2), f.value(3),
            f.value(4), f.value(5), f.value(6), f.value(7)};
}

QString numberedLines(int count)
{
    QStringList lines;
    for (int i = 1; i <= count; ++i)
        lines << QStringLiteral("第%1行").arg(i, 2, 10, QLatin1Char('0'));
    return lines.join(QLatin1Char('\n'));
}

} // namespace

class TestPdfReport : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

    QString write(const PdfSettingData& settings, const LiveSnapshot& live,
                  const QAbstractItemModel* model)
    {
        static int n = 0;
        const QString path = dir.filePath(QStringLiteral("r%1.pdf").arg(++n));
        QString reason;
        const bool ok = PdfReport(settings, live, model).write(path, &reason);
        return ok ? path : QStringLiteral("<not written: %1>").arg(reason);
    }

private slots:
    void initTestCase() { QVERIFY(dir.isValid()); }

    // Every text drawn reads back as drawn, whole and in its column, with
    // each field as long as the dialog lets it be; no word overlaps another
    // or leaves the page. Long remarks wrap between words, or anywhere in
    // Chinese and in a word wider than the line.
    void everyTextReadsBackInPlace_data()
    {
        QTest::addColumn<QString>("catalogue");
        QTest::addColumn<QStringList>("settings");
        QTest::addColumn<QStringList>("remarks"); // the live one, then the two records'
        const QString digits = QString(40, 'x').replace("x", "0123456789");
        QTest::newRow("Chinese")
            << ""
            << (QString("华东电力检修公司华东电力检修公司一二|%1|021-5555 1234 转 8|"
                        "二十五个汉字的测试仪名称用于检查排版是否越过页面右边|RV718A|V1.02|"
                        "%2压器 高压侧|%3户外")
                    .arg(QString(15, QChar(0x4F1F)), QString(20, QChar(0x53D8)),
                         QString(38, QChar(0x7AD9)))
                    .split('|'))
            << QStringList{digits, QString(60, QChar(0x7D27)) + "固完毕", numberedLines(3)};
        const QString torque = QStringLiteral(
            "Bolts re-tightened and torque checked at sixty newton metres; contact surfaces "
            "cleaned, greased and inspected before the retest of the whole busbar joint.");
        QTest::newRow("English") << ":/lang_en.qm"
                                 << QString("East Grid Services|Margaret Holmes|+44 20 7946 01|"
                                            "200A Loop Resistance Tester|RV718B|V2.10|"
                                            "Transformer T2 high-voltage bushing No.3|"
                                            "Substation yard, outdoor, light rain now")
                                        .split('|')
                                 << QStringList{torque, torque + ' ' + torque, "Retest passed"};
    }
    void everyTextReadsBackInPlace()
    {
        QFETCH(QString, catalogue);
        QFETCH(QStringList, settings);
        QFETCH(QStringList, remarks);
        QTranslator translator; // leaves the application when it goes
        QVERIFY(catalogue.isEmpty() || translator.load(catalogue));
        QCoreApplication::installTranslator(&translator);
        LiveSnapshot live = liveSnapshot();
        live.remark = remarks.takeFirst();
        QStandardItemModel* records = liveRecords(2, remarks, this);
        const QString pdf = write(settingsOf(settings), live, records);
        QCOMPARE(pagesOf(pdf), 3);

        const auto w = windowText;
        const auto label = [&](int column) {
            return records->headerData(column, Qt::Horizontal).toString() + w("：");
        };
        const QString c = w("："), status = w("测试完成");
        const QVector<Column> firstPage{
            Column(0, 1, {w("回路电阻测量报告")}),
            Column(0, .5,
                   {w("用户信息"), w("公司："), settings[0], w("姓名："), settings[1],
                    w("联系方式："), settings[2]}),
            Column(.5, 1,
                   {w("测试仪信息"), w("名称："), settings[3], w("型号："), settings[4],
                    w("版本："), settings[5]}),
            Column(0, 1,
                   {w("测量信息"), w("名称："), settings[6], w("场景："), settings[7],
                    w("当前数据"), w("记录时间："), "2024-05-06 07:08:09", w("数据")}),
            Column(
                0, 1. / 3,
                {w("比较值") + c, "1.2500mΩ", w("电流设置") + c, "60A", w("测试时间") + c, "30S"}),
            Column(1. / 3, 2. / 3,
                   {w("测试状态："), status, w("测试电阻："), "0.987 mΩ", w("比较结果："), "PASS"}),
            Column(2. / 3, 1,
                   {w("存储组数") + c, "17", w("测试电流") + c, "99.6A", w("剩余时间") + c, "0S"}),
            Column(0, 1, {w("备注"), live.remark})};
        QString error;
        QVERIFY2((error = misread(pdf, 1, firstPage)).isEmpty(), qPrintable(error));
        for (int r = 1; r <= 2; ++r) {
            const QString n = QString::number(r);
            const QVector<Column> recordPage{
                Column(0, 1,
                       {w("记录 %1").arg(r), w("记录时间："),
                        QStringLiteral("2024-05-0%1 10:15:3%1").arg(r), w("数据")}),
                Column(0, .555, {label(2), "27S", label(3), "100A", label(4), "99." + n + "A"}),
                Column(.555, 1,
                       {label(5), n + "3.45 μΩ", label(6), "150.00μΩ", label(7),
                        r == 2 ? "FAIL" : "PASS"}),
                Column(0, 1, {w("备注"), remarks[r - 1]})};
            QVERIFY2((error = misread(pdf, r + 1, recordPage)).isEmpty(), qPrintable(error));
        }
    }

    // The comparison value shows only with the switch on; with no reading
    // the current-data block, its remark included, is left out. A remark too
    // long for its page goes on at the top of the next, before the first
    // record's page. The instrument's fill bytes never reach the page.
    void currentDataFollowsTheReading_data()
    {
        QTest::addColumn<bool>("comparisonOn");
        QTest::addColumn<QString>("testStatus");
        QTest::addColumn<int>("pages"); // with a 50-line live remark and one record
        QTest::newRow("comparison on") << true << QStringLiteral("测试完成") << 4;
        QTest::newRow("comparison off") << false << QStringLiteral("测试完成") << 4;
        QTest::newRow("no reading") << true << QString() << 2;
    }
    void currentDataFollowsTheReading()
    {
        QFETCH(bool, comparisonOn);
        QFETCH(QString, testStatus);
        QFETCH(int, pages);
        LiveSnapshot live = liveSnapshot();
        live.comparisonOn = comparisonOn;
        live.testStatus = testStatus;
        live.remark = numberedLines(50);
        const QString pdf = write(settingsOf(), live, liveRecords(1, {}, this));
        QCOMPARE(pagesOf(pdf), pages);
        const QString text = poppler("pdftotext", {pdf, "-"});
        QCOMPARE(text.contains("当前数据"), !testStatus.isEmpty());
        QCOMPARE(text.contains("1.2500mΩ"), comparisonOn && !testStatus.isEmpty());
        QVERIFY(!text.contains(QChar(0)));
        // The tester's name, model and version each next to its own label.
        const QVector<Word> first = pageWords(pdf, 1);
        QCOMPARE(wordAfter(first, "名称："), QStringLiteral("100A"));
        QCOMPARE(wordAfter(first, "型号："), QStringLiteral("RV718A"));
        QCOMPARE(wordAfter(first, "版本："), QStringLiteral("V1.02"));
        if (testStatus.isEmpty())
            return;
        QStringList remark;
        for (int page = 1; page <= 3; ++page)
            remark << columnText(pageWords(pdf, page), 0, 1);
        QCOMPARE(missingInOrder(remark.join(' '), {live.remark}), QString());
        QVERIFY(pageWords(pdf, 2).first().box.top() < marginPt + 10);
    }

    // A rewrite replaces the whole file and leaves no temporary; a report
    // that cannot be written says why and leaves no file.
    void writing()
    {
        QTemporaryDir own;
        const QString path = own.filePath("data.pdf");
        QVERIFY(PdfReport(settingsOf(), liveSnapshot(), liveRecords(3, {}, this)).write(path));
        QCOMPARE(pagesOf(path), 4);
        QVERIFY(PdfReport(settingsOf(), liveSnapshot(), nullptr).write(path));
        QCOMPARE(pagesOf(path), 1);
        QCOMPARE(QDir(own.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"data.pdf"});

        QString reason;
        const QString below = path + "/report.pdf"; // below a plain file
        QVERIFY(!PdfReport(settingsOf(), liveSnapshot(), nullptr).write(below, &reason));
        QVERIFY(!reason.isEmpty());
        QVERIFY(!QFileInfo::exists(below));
    }
};

QTEST_MAIN(TestPdfReport)
#include "tst_pdfreport.moc"
