// The texts made fit for a workbook and a report, the check that a written
// XML part is whole, and the folder of an export whose instrument is not
// known (a known one's folder and the file name: tst_storagepage).
#include "ExportPaths.h"
#include "FileText.h"
#include "XmlNestingCheck.h"

#include <QtTest>

class TestExportFiles : public QObject
{
    Q_OBJECT

private slots:
    void modelFolder()
    {
        for (const auto& [model, folder] :
             {std::pair{"xRV718A ", "RV718A_data"}, {"rv718a", "RV718B_data"}, {"", "RV718B_data"}})
            QCOMPARE(exportpaths::modelFolderName(model), QString(folder));
    }

    void fileTexts_data()
    {
        QTest::addColumn<QString>("in");
        QTest::addColumn<QString>("xml");
        QTest::addColumn<QString>("pdf");
        QTest::newRow("fill NUL") << QStringLiteral("12.34\u0000\u0000") << "12.34"
                                  << "12.34";
        QTest::newRow("controls, DEL, C1") << QStringLiteral("a\u0001\u001fb\u007f\u0085c")
                                           << QStringLiteral("ab\u007f\u0085c") << "abc";
        QTest::newRow("whitespace") << QStringLiteral("a\tb\nc\rd") << "a\tb\nc\rd"
                                    << "a\tb\ncd";
        const QString kept = QStringLiteral("第1行 123.45 μΩ x\U0001F600y");
        QTest::newRow("units, CJK, pair kept") << kept << kept << kept;
        QTest::newRow("lone surrogates, non-characters")
            << QChar(0xD800) + QStringLiteral("a") + QChar(0xDC00) + QChar(0xFFFE) + "b" +
                   QChar(0xFFFF)
            << "ab"
            << "ab";
    }
    void fileTexts()
    {
        QFETCH(QString, in);
        QFETCH(QString, xml);
        QFETCH(QString, pdf);
        QCOMPARE(filetext::forXml(in), xml);
        QCOMPARE(filetext::forPdf(in), pdf);
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
};

QTEST_APPLESS_MAIN(TestExportFiles)
#include "tst_exportfiles.moc"
