// The Windows families the forms ask for must come out as DejaVu Sans for Latin
// text and Noto Sans CJK SC (Simplified glyphs) for Chinese.
#include "FontSetup.h"

#include <QFontInfo>
#include <QGlyphRun>
#include <QRawFont>
#include <QTextLayout>
#include <QtTest>

class TestFontSetup : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Without the table fontconfig picks the Japanese CJK face for an unknown family.
        installFontSubstitutions();
        installFontSubstitutions(); // a second call must not disturb the order
    }

    void formFamiliesResolveToDejaVuThenNotoSc_data()
    {
        QTest::addColumn<QFont>("font");
        QTest::newRow("YaHei UI") << QFont(QStringLiteral("Microsoft YaHei UI"), 11);
        QTest::newRow("YaHei UI Light") << QFont(QStringLiteral("Microsoft YaHei UI Light"), 11);
        QTest::newRow("YaHei") << QFont(QStringLiteral("Microsoft YaHei"), 11);
        QTest::newRow("Yahei bold") << QFont(QStringLiteral("Microsoft Yahei"), 14, QFont::Bold);
    }

    void formFamiliesResolveToDejaVuThenNotoSc()
    {
        QFETCH(QFont, font);
        QCOMPARE(QFontInfo(font).family(), QStringLiteral("DejaVu Sans"));
        // Qt reports a substituted family in the lower-case spelling of its lookup key.
        QTextLayout layout(QStringLiteral("回路电阻测试仪 RV718A 12.5 mΩ"), font);
        layout.beginLayout();
        layout.createLine();
        layout.endLayout();
        QStringList drawn;
        for (const QGlyphRun& run : layout.glyphRuns())
            drawn << run.rawFont().familyName().toLower();
        drawn.removeDuplicates();
        drawn.sort();
        QCOMPARE(drawn, QStringList({"dejavu sans", "noto sans cjk sc"}));
    }
};

QTEST_MAIN(TestFontSetup)
#include "tst_fontsetup.moc"
