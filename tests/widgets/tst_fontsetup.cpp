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
    void formFamiliesResolveToDejaVuThenNotoSc()
    {
        // Without the table fontconfig picks the Japanese CJK face for an unknown family.
        installFontSubstitutions();
        installFontSubstitutions(); // a second call must not disturb the order
        for (const QFont& font : {QFont(QStringLiteral("Microsoft YaHei UI"), 11),
                                  QFont(QStringLiteral("Microsoft YaHei UI Light"), 11),
                                  QFont(QStringLiteral("Microsoft Yahei"), 14, QFont::Bold)}) {
            QCOMPARE(QFontInfo(font).family(), QStringLiteral("DejaVu Sans"));
            QTextLayout layout(QStringLiteral("回路电阻测试仪 RV718A 12.5 mΩ"), font);
            layout.beginLayout();
            layout.createLine();
            layout.endLayout();
            QStringList drawn;
            // Qt reports a substituted family in the lower-case spelling of its lookup key.
            for (const QGlyphRun& run : layout.glyphRuns())
                drawn << run.rawFont().familyName().toLower();
            drawn.removeDuplicates();
            drawn.sort();
            QCOMPARE(drawn, QStringList({"dejavu sans", "noto sans cjk sc"}));
        }
    }
};

QTEST_MAIN(TestFontSetup)
#include "tst_fontsetup.moc"
