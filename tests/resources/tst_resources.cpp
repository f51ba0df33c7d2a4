// Every picture the program shows must be compiled in, at its drawn size, and actually
// drawn: a missing file or a failed render shows up here rather than as a blank button.
#include <QImage>
#include <QSet>
#include <QtTest>

class TestResources : public QObject
{
    Q_OBJECT

private slots:
    void pictureIsDrawn_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("size");
        for (const char* icon : {"USBconnect", "res", "dataView", "importStorage", "sampleInterval",
                                 "auto", "format-xlsx", "format-pdf", "info", "live", "base_data",
                                 "language", "change", "delete", "save", "clear"})
            QTest::newRow(icon) << QString(icon) << QSize(128, 128);
        QTest::newRow("overTempZh") << QString("overTempZh") << QSize(440, 200);
        QTest::newRow("overTempEn") << QString("overTempEn") << QSize(440, 200);
        QTest::newRow("appIcon") << QString("appIcon") << QSize(256, 256);
    }

    void pictureIsDrawn()
    {
        QFETCH(QString, name);
        QFETCH(QSize, size);
        const QImage image = QImage(":/resource/" + name + ".png");
        QVERIFY2(!image.isNull(), "missing or unreadable");
        QCOMPARE(image.size(), size);
        QVERIFY2(image.hasAlphaChannel(), "pictures sit on a transparent ground");

        // A real drawing covers a fair share of its canvas, leaves some of it clear, and uses
        // more than two colours; a blank or solid render fails at least one of these.
        const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
        int opaque = 0, clear = 0;
        QSet<QRgb> colours;
        for (int y = 0; y < argb.height(); ++y) {
            for (int x = 0; x < argb.width(); ++x) {
                const QRgb px = argb.pixel(x, y);
                opaque += qAlpha(px) == 255;
                clear += qAlpha(px) == 0;
                if (qAlpha(px) == 255)
                    colours.insert(px);
            }
        }
        const int total = size.width() * size.height();
        QVERIFY2(opaque > total / 20, qPrintable(QString("opaque pixels: %1").arg(opaque)));
        QVERIFY2(clear > total / 200, qPrintable(QString("clear pixels: %1").arg(clear)));
        QVERIFY2(colours.size() >= 3, qPrintable(QString("colours: %1").arg(colours.size())));

        if (name.startsWith("overTemp")) {
            // The wording sits right of the warning sign; without it that area is pale card.
            int inked = 0;
            for (int y = 40; y < 180; ++y)
                for (int x = 180; x < 420; ++x)
                    inked += qAlpha(argb.pixel(x, y)) == 255 && qGray(argb.pixel(x, y)) < 160;
            QVERIFY2(inked > 240 * 140 / 40, qPrintable(QString("inked pixels: %1").arg(inked)));
        }
    }
};

QTEST_MAIN(TestResources)
#include "tst_resources.moc"
