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

    // Families of the faces that actually draw `text` in `font`, in lower case:
    // Qt reports a substituted family in the spelling of its lookup key.
    static QStringList drawingFamilies(const QString& text, const QFont& font)
    {
        QTextLayout layout(text, font);
        layout.beginLayout();
        layout.createLine();
        layout.endLayout();
        QStringList families;
        for (const QGlyphRun& run : layout.glyphRuns())
            families << run.rawFont().familyName().toLower();
        families.removeDuplicates();
        families.sort();
        return families;
    }

private slots:
    void initTestCase()
    {
        // Without the table fontconfig picks some CJK face for the unknown
        // family (on Debian the Japanese one), so Chinese would not come out in
        // Simplified glyphs.
        installFontSubstitutions();
        installFontSubstitutions(); // a second call must not disturb the order
    }

    void formFamiliesResolveToDejaVuThenNotoSc_data()
    {
        QTest::addColumn<QString>("family");
        QTest::newRow("YaHei UI") << QStringLiteral("Microsoft YaHei UI");
        QTest::newRow("YaHei UI Light") << QStringLiteral("Microsoft YaHei UI Light");
        QTest::newRow("YaHei") << QStringLiteral("Microsoft YaHei");
        QTest::newRow("Yahei") << QStringLiteral("Microsoft Yahei");
        QTest::newRow("Chinese name") << QStringLiteral("微软雅黑");
    }

    void formFamiliesResolveToDejaVuThenNotoSc()
    {
        QFETCH(QString, family);
        const QFont font(family, 11);
        QCOMPARE(QFontInfo(font).family(), QStringLiteral("DejaVu Sans"));
        QCOMPARE(drawingFamilies(QStringLiteral("回路电阻测试仪 RV718A 12.5 mΩ"), font),
                 QStringList({QStringLiteral("dejavu sans"), QStringLiteral("noto sans cjk sc")}));
    }

    void boldChineseStaysSimplified()
    {
        QFont font(QStringLiteral("Microsoft YaHei UI"), 30);
        font.setBold(true);
        QCOMPARE(drawingFamilies(QStringLiteral("合格"), font),
                 QStringList{QStringLiteral("noto sans cjk sc")});
    }
};

QTEST_MAIN(TestFontSetup)
#include "tst_fontsetup.moc"
