// The measurement report, read back from real PDF files with poppler's tools as
// an operator's viewer would see it.
#include "FontSetup.h"
#include "PdfLayout.h"
#include "PdfReport.h"

#include <QDir>
#include <QProcess>
#include <QRawFont>
#include <QRegularExpression>
#include <QStandardItemModel>
#include <QTemporaryDir>
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

int pagesOf(const QString& pdf)
{
    const auto m =
        QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(poppler("pdfinfo", {pdf}));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// Qt's PDF engine maps each embedded glyph back to the lowest code point that
// uses it. Noto Sans CJK shares the glyphs of ideographs such as 用, 户 and 行
// with radicals (⽤, ⼾, ⾏), so those come back as radicals; fold each radical to
// the ideograph whose glyph it shares before comparing.
QString readable(QString text)
{
    static const QHash<QChar, QChar> ideographOf = [] {
        const QRawFont font = QRawFont::fromFont(QFont(QStringLiteral("Noto Sans CJK SC"), 11));
        const auto glyphOf = [&font](char16_t c) {
            const QVector<quint32> g = font.glyphIndexesForString(QString(QChar(c)));
            return g.isEmpty() ? 0u : g.first();
        };
        QHash<quint32, QChar> byGlyph;
        for (char16_t c = 0x4E00; c <= 0x9FFF; ++c) {
            if (!byGlyph.contains(glyphOf(c)))
                byGlyph.insert(glyphOf(c), QChar(c));
        }
        QHash<QChar, QChar> map;
        for (char16_t c = 0x2E80; c <= 0x2FDF; ++c) {
            const quint32 g = glyphOf(c);
            if (g != 0 && byGlyph.contains(g))
                map.insert(QChar(c), byGlyph.value(g));
        }
        return map;
    }();
    for (QChar& c : text)
        c = ideographOf.value(c, c);
    return text;
}

QString pageText(const QString& pdf, int page)
{
    const QString n = QString::number(page);
    return readable(poppler("pdftotext", {"-f", n, "-l", n, pdf, "-"}));
}

// Words of one page with their boxes, in points from the page's top left.
struct Word
{
    QString text;
    double xMax;
    double yMin;
};
QVector<Word> pageWords(const QString& pdf, int page)
{
    const QString n = QString::number(page);
    const QString html = poppler("pdftotext", {"-bbox", "-f", n, "-l", n, pdf, "-"});
    QVector<Word> words;
    QRegularExpression re(QStringLiteral("<word xMin=\"[\\d.]+\" yMin=\"([\\d.]+)\" "
                                         "xMax=\"([\\d.]+)\" yMax=\"[\\d.]+\">([^<]*)</word>"));
    for (auto it = re.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        words.append({readable(m.captured(3)), m.captured(2).toDouble(), m.captured(1).toDouble()});
    }
    return words;
}

QStandardItemModel* liveRecords(int rows, const QStringList& remarks, QObject* parent)
{
    auto* model = new QStandardItemModel(0, 9, parent);
    model->setHorizontalHeaderLabels({"序号", "记录时间", "测试时间", "电流设置", "测试电流",
                                      "测试电阻", "比较值", "比较结果", "备注"});
    for (int r = 1; r <= rows; ++r) {
        QList<QStandardItem*> row;
        const QStringList texts{QString::number(r),
                                QStringLiteral("2024-05-0%1 10:15:3%1").arg(r),
                                "27S",
                                "100A",
                                QStringLiteral("99.%1A").arg(r),
                                QString::number(r) + "3.45 μΩ",
                                "150.00μΩ",
                                r == 2 ? "FAIL" : "PASS",
                                remarks.value(r - 1)};
        for (const QString& t : texts)
            row << new QStandardItem(t);
        model->appendRow(row);
    }
    return model;
}

LiveSnapshot liveSnapshot()
{
    LiveSnapshot l;
    l.comparisonOn = true;
    l.takenAt = QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9));
    l.comparisonCaption = QStringLiteral("比较");
    l.comparisonValue = QStringLiteral("1.2500");
    l.comparisonUnit = QStringLiteral("mΩ");
    l.currentSettingCaption = QStringLiteral("电流设置");
    l.currentSetting = QStringLiteral("60A");
    l.testingTimeCaption = QStringLiteral("测试时间");
    l.testingTime = QStringLiteral("30S");
    l.testStatus = QStringLiteral("测试完成");
    l.testingRes = QStringLiteral("0.987 mΩ");
    l.comparativeResult = QStringLiteral("PASS");
    l.storeNumberCaption = QStringLiteral("存储组号");
    l.storeNumber = QStringLiteral("17");
    l.testingCurrentCaption = QStringLiteral("测试电流");
    l.testingCurrent = QStringLiteral("99.6A");
    l.timeLeftCaption = QStringLiteral("剩余时间");
    l.timeLeft = QStringLiteral("0S");
    return l;
}

PdfSettingData settingData()
{
    return {"华东电力检修公司",
            "张伟",
            "13912345678",
            "100A 回路电阻测试仪",
            QStringLiteral("RV718A\u0000\u0000\u0000\u0000\u0000"),
            QStringLiteral("V1.02\u0000\u0000"),
            "2号主变 高压侧",
            "变电站 户外"};
}

QString numberedLines(int count)
{
    QStringList lines;
    for (int i = 1; i <= count; ++i)
        lines << QStringLiteral("第%1行").arg(i, 2, 10, QLatin1Char('0'));
    return lines.join(QLatin1Char('\n'));
}

// The usable page in points: A4 less the 30 pt margins.
const double marginPt = 30.0;
const double rightEdgePt = 595.28 - marginPt;

} // namespace

class TestPdfReport : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

    QString write(const LiveSnapshot& live, const QAbstractItemModel* model)
    {
        static int n = 0;
        const QString path = dir.filePath(QStringLiteral("r%1.pdf").arg(++n));
        QString reason;
        const bool ok = PdfReport(settingData(), live, model).write(path, &reason);
        return ok ? path : QStringLiteral("<not written: %1>").arg(reason);
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        installFontSubstitutions();
        QVERIFY(dir.isValid());
    }

    void splitLine_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("pieces");
        QTest::newRow("fits") << "abc" << QStringList{"abc"};
        QTest::newRow("cut to the longest fitting prefix")
            << "abcdefghij" << QStringList{"abc", "def", "ghi", "j"};
        QTest::newRow("pair kept whole")
            << QStringLiteral("ab\U0001F600c") << QStringList{"ab", QStringLiteral("\U0001F600c")};
        QTest::newRow("too wide alone") << "aWb" << QStringList{"a", "W", "b"};
        QTest::newRow("empty") << "" << QStringList{};
    }
    void splitLine()
    {
        QFETCH(QString, line);
        QFETCH(QStringList, pieces);
        // Ten units a UTF-16 unit ("W" fifty); room for three.
        const auto width = [](const QString& s) { return 10.0 * s.size() + 40.0 * s.count('W'); };
        QCOMPARE(pdflayout::splitLine(line, 30.0, width), pieces);
    }

    void remarkLinesDropBlankLinesAndPlacesBreakPages()
    {
        const auto width = [](const QString& s) { return 10.0 * s.size(); };
        QCOMPARE(pdflayout::remarkLines("ab\n\n\nabcdef\n", 40.0, width),
                 QStringList({"ab", "abcd", "ef"}));
        // The page holds lines starting at 2010 … 3110; the 13th starts the next page.
        const auto places = pdflayout::remarkPlaces(14, 2010, 3257);
        QCOMPARE(places.size(), std::size_t(14));
        QCOMPARE(places[11].y, 3110);
        QVERIFY(!places[11].newPage);
        QVERIFY(places[12].newPage);
        QCOMPARE(places[12].y, 0);
        QVERIFY(!places[13].newPage);
        QCOMPARE(places[13].y, 100);
    }

    void pageCount_data()
    {
        QTest::addColumn<int>("records");
        QTest::addColumn<QString>("testStatus");
        QTest::addColumn<QString>("liveRemark");
        QTest::addColumn<int>("pages");
        const QString status = QStringLiteral("测试完成");
        QTest::newRow("no records") << 0 << status << QString() << 1;
        QTest::newRow("three records") << 3 << status << QString() << 4;
        QTest::newRow("long live remark") << 0 << status << numberedLines(50) << 3;
        QTest::newRow("no status, no live remark") << 0 << QString() << numberedLines(50) << 1;
    }
    void pageCount()
    {
        QFETCH(int, records);
        QFETCH(QString, testStatus);
        QFETCH(QString, liveRemark);
        QFETCH(int, pages);
        LiveSnapshot live = liveSnapshot();
        live.testStatus = testStatus;
        live.remark = liveRemark;
        QCOMPARE(pagesOf(write(live, liveRecords(records, {}, this))), pages);
    }

    void firstPageTexts_data()
    {
        QTest::addColumn<bool>("comparisonOn");
        QTest::addColumn<QString>("testStatus");
        QTest::newRow("comparison on") << true << QStringLiteral("测试完成");
        QTest::newRow("comparison off") << false << QStringLiteral("测试完成");
        QTest::newRow("no reading") << true << QString();
    }
    void firstPageTexts()
    {
        QFETCH(bool, comparisonOn);
        QFETCH(QString, testStatus);
        LiveSnapshot live = liveSnapshot();
        live.comparisonOn = comparisonOn;
        live.testStatus = testStatus;
        live.remark = QStringLiteral("接头已紧固\n复测合格 42");
        const QString text = pageText(write(live, nullptr), 1);
        for (const char* expected :
             {"回路电阻测量报告", "用户信息", "测试仪信息", "公司：", "华东电力检修公司", "姓名：",
              "张伟", "联系方式：", "13912345678", "名称：", "100A 回路电阻测试仪", "型号：",
              "RV718A", "版本：", "V1.02", "测量信息", "2号主变 高压侧", "场景：", "变电站 户外"})
            QVERIFY2(text.contains(QString::fromUtf8(expected)), expected);
        const QStringList block{"当前数据",   "记录时间：", "2024-05-06 07:08:09",
                                "数据",       "比较：",     "测试状态：",
                                "测试完成",   "存储组号：", "17",
                                "电流设置：", "60A",        "测试电阻：",
                                "0.987 mΩ",   "测试电流：", "99.6A",
                                "测试时间：", "30S",        "比较结果：",
                                "PASS",       "剩余时间：", "0S",
                                "备注",       "接头已紧固", "复测合格 42"};
        for (const QString& expected : block)
            QVERIFY2(text.contains(expected) == !testStatus.isEmpty(), qPrintable(expected));
        QCOMPARE(text.contains("1.2500mΩ"), comparisonOn && !testStatus.isEmpty());
        QVERIFY(!text.contains(QChar(0))); // the fill bytes of model and version
    }

    // One page per record with its texts; a remark too long for its page
    // goes on at the top of the next, before the next record's page.
    void recordPages()
    {
        const QString pdf =
            write(liveSnapshot(), liveRecords(3, {numberedLines(50), "", "末条"}, this));
        QCOMPARE(pagesOf(pdf), 5);
        const int pageOf[] = {0, 2, 4, 5};
        for (int r = 1; r <= 3; ++r) {
            const QString text = pageText(pdf, pageOf[r]);
            // clang-format off
            const QStringList expected{
                QStringLiteral("记录 %1").arg(r), "记录时间：", QStringLiteral("2024-05-0%1 10:15:3%1").arg(r),
                "数据", "测试时间：", "27S", "电流设置：", "100A", "测试电流：", QStringLiteral("99.%1A").arg(r),
                "测试电阻：", QString::number(r) + "3.45 μΩ", "比较值：", "150.00μΩ", "比较结果：",
                r == 2 ? "FAIL" : "PASS", "备注"};
            // clang-format on
            for (const QString& e : expected)
                QVERIFY2(text.contains(e),
                         qPrintable(QStringLiteral("record %1: %2").arg(r).arg(e)));
            QVERIFY(!text.contains(QStringLiteral("记录 %1").arg(r + 1)));
        }
        const QString first = pageText(pdf, 2), rest = pageText(pdf, 3);
        QVERIFY(first.contains("第01行") && first.contains("第23行") && !first.contains("第24行"));
        QVERIFY(rest.contains("第50行") && !rest.contains("记录"));
        const QVector<Word> words = pageWords(pdf, 3);
        QVERIFY(!words.isEmpty());
        QCOMPARE(words.first().text, QStringLiteral("第24行"));
        QVERIFY2(words.first().yMin < marginPt + 10,
                 qPrintable(QString::number(words.first().yMin)));
        QVERIFY(pageText(pdf, 5).contains("末条"));
    }

    void wideRemarkLineIsCutToThePageWidth()
    {
        QString digits;
        for (int i = 0; i < 40; ++i)
            digits += QStringLiteral("0123456789");
        LiveSnapshot live = liveSnapshot();
        live.remark = digits;
        const QString pdf = write(live, nullptr);
        QStringList cut;
        for (const Word& w : pageWords(pdf, 1)) {
            if (!w.text.contains(QRegularExpression("^\\d{20,}$")))
                continue;
            cut << w.text;
            QVERIFY2(w.xMax <= rightEdgePt, qPrintable(QString::number(w.xMax)));
        }
        QVERIFY2(cut.size() >= 4, qPrintable(cut.join('|')));
        QCOMPARE(cut.join(QString()), digits);
    }

    // A rewrite replaces the whole file and leaves no temporary; a report
    // that cannot be written says why and leaves no file.
    void writing()
    {
        QTemporaryDir own;
        const QString path = own.filePath("data.pdf");
        QVERIFY(PdfReport(settingData(), liveSnapshot(), liveRecords(3, {}, this)).write(path));
        QCOMPARE(pagesOf(path), 4);
        QVERIFY(PdfReport(settingData(), liveSnapshot(), nullptr).write(path));
        QCOMPARE(pagesOf(path), 1);
        QCOMPARE(QDir(own.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"data.pdf"});

        QString reason;
        const QString below = path + "/report.pdf"; // below a plain file
        QVERIFY(!PdfReport(settingData(), liveSnapshot(), nullptr).write(below, &reason));
        QVERIFY(!reason.isEmpty());
        QVERIFY(!QFileInfo::exists(below));
    }
};

QTEST_MAIN(TestPdfReport)
#include "tst_pdfreport.moc"
