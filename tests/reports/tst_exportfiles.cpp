// What every export shares: the proposed folder (the file name: through the
// window, tst_storagepage), the texts
// made fit for a file, and the check that a written XML part is whole.
#include "ExportPaths.h"
#include "FileText.h"
#include "XmlNestingCheck.h"

#include <QtTest>

class TestExportFiles : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void modelFolder_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("folder");
        QTest::newRow("A with fill") << QStringLiteral("RV718A     ") << "RV718A_data";
        QTest::newRow("A inside text") << QStringLiteral("xRV718A\u0000") << "RV718A_data";
        QTest::newRow("B") << QStringLiteral("RV718B     ") << "RV718B_data";
        QTest::newRow("lower case") << QStringLiteral("rv718a") << "RV718B_data";
        QTest::newRow("no identity") << QString() << "RV718B_data";
    }
    void modelFolder()
    {
        QFETCH(QString, model);
        QFETCH(QString, folder);
        QCOMPARE(exportpaths::modelFolderName(model), folder);
        QVERIFY(exportpaths::modelFolder(model).endsWith(QLatin1Char('/') + folder));
    }

    void forXml_data()
    {
        QTest::addColumn<QString>("in");
        QTest::addColumn<QString>("out");
        QTest::newRow("fill NUL") << QStringLiteral("12.34\u0000") << QStringLiteral("12.34");
        QTest::newRow("controls") << QStringLiteral("a\u0001\u001fb\u007f")
                                  << QStringLiteral("ab\u007f");
        QTest::newRow("kept whitespace")
            << QStringLiteral("a\tb\nc\rd") << QStringLiteral("a\tb\nc\rd");
        QTest::newRow("units and CJK")
            << QStringLiteral("123.45 μΩ 母线") << QStringLiteral("123.45 μΩ 母线");
        QTest::newRow("pair kept")
            << QStringLiteral("x\U0001F600y") << QStringLiteral("x\U0001F600y");
        QTest::newRow("lone surrogates")
            << QString(QVector<QChar>{QChar(0xD800), QChar('a'), QChar(0xDC00)}.data(), 3)
            << QStringLiteral("a");
        QTest::newRow("non-characters") << QStringLiteral("a\uFFFEb\uFFFF") << QStringLiteral("ab");
    }
    void forXml()
    {
        QFETCH(QString, in);
        QFETCH(QString, out);
        QCOMPARE(filetext::forXml(in), out);
    }

    void xmlNesting_data()
    {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<bool>("whole");
        const QByteArray sheet = "<?xml version=\"1.0\"?>\n<ws a=\"x>y\" b='/'><data><row r=\"1\">"
                                 "<c r=\"A1\" s=\"1\"/><c><is><t>a &lt; b\n</t></is></c></row>"
                                 "</data></ws>";
        QTest::newRow("whole") << sheet << true;
        QTest::newRow("empty root") << QByteArray("<a/>\n") << true;
        QTest::newRow("cut in text") << sheet.left(sheet.indexOf("a &lt;") + 3) << false;
        QTest::newRow("cut in a tag") << sheet.left(sheet.indexOf("s=\"1\"")) << false;
        QTest::newRow("cut in quotes") << sheet.left(sheet.indexOf("x>y")) << false;
        QTest::newRow("cut before the root's end") << sheet.left(sheet.size() - 5) << false;
        QTest::newRow("piece missing")
            << QByteArray(sheet).remove(sheet.indexOf("<is>"), 30) << false;
        QTest::newRow("no markup") << QByteArray("text") << false;
        QTest::newRow("two roots") << QByteArray("<a></a><b/>") << false;
    }
    void xmlNesting()
    {
        QFETCH(QByteArray, xml);
        QFETCH(bool, whole);
        // Any split into chunks gives the same answer as the whole.
        for (int chunk : {1, 7, int(xml.size())}) {
            XmlNestingCheck check;
            for (int at = 0; at < xml.size(); at += chunk)
                check.feed(xml.constData() + at, std::min(chunk, int(xml.size()) - at));
            QVERIFY2(check.problem().isEmpty() == whole, qPrintable(check.problem()));
        }
    }

    void forPdf_data()
    {
        QTest::addColumn<QString>("in");
        QTest::addColumn<QString>("out");
        QTest::newRow("fill") << QStringLiteral("RV718A\u0000\u0000") << QStringLiteral("RV718A");
        QTest::newRow("controls, DEL, C1")
            << QStringLiteral("a\u0001\rb\u007f\u0085c") << QStringLiteral("abc");
        QTest::newRow("kept") << QStringLiteral("第1行\t12.5 mΩ\n")
                              << QStringLiteral("第1行\t12.5 mΩ\n");
    }
    void forPdf()
    {
        QFETCH(QString, in);
        QFETCH(QString, out);
        QCOMPARE(filetext::forPdf(in), out);
    }
};

QTEST_GUILESS_MAIN(TestExportFiles)
#include "tst_exportfiles.moc"
