// Every picture the program shows must be compiled in, at its drawn size, and actually drawn:
// a missing file, a failed render or a broken font shows up here rather than as a blank
// button in the window.

#include <QDir>
#include <QImage>
#include <QSet>
#include <QtTest>

namespace {

const QSize iconSize(128, 128);
const QSize noticeSize(440, 200);

struct Counts
{
    int opaque = 0;
    int transparent = 0;
    QSet<QRgb> opaqueColours;
};

Counts countPixels(const QImage& image, const QRect& area)
{
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    Counts c;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb px = argb.pixel(x, y);
            if (qAlpha(px) == 255) {
                ++c.opaque;
                c.opaqueColours.insert(px);
            } else if (qAlpha(px) == 0) {
                ++c.transparent;
            }
        }
    }
    return c;
}

} // namespace

class TestResources : public QObject
{
    Q_OBJECT

private slots:
    void exactlyTheExpectedFiles();
    void pictureIsDrawn_data();
    void pictureIsDrawn();
    void noticeCarriesItsWording_data();
    void noticeCarriesItsWording();
};

void TestResources::exactlyTheExpectedFiles()
{
    const QStringList expected = {
        "USBconnect.png",     "res.png",        "dataView.png",    "importStorage.png",
        "sampleInterval.png", "auto.png",       "format-xlsx.png", "format-pdf.png",
        "info.png",           "live.png",       "base_data.png",   "language.png",
        "change.png",         "delete.png",     "save.png",        "clear.png",
        "overTempZh.png",     "overTempEn.png", "appIcon.png"};
    QStringList actual = QDir(":/resource").entryList(QDir::Files);
    QStringList sortedExpected = expected;
    actual.sort();
    sortedExpected.sort();
    QCOMPARE(actual, sortedExpected);
}

void TestResources::pictureIsDrawn_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("size");
    for (const char* icon : {"USBconnect", "res", "dataView", "importStorage", "sampleInterval",
                             "auto", "format-xlsx", "format-pdf", "info", "live", "base_data",
                             "language", "change", "delete", "save", "clear"}) {
        QTest::newRow(icon) << QString(icon) << iconSize;
    }
    QTest::newRow("overTempZh") << QString("overTempZh") << noticeSize;
    QTest::newRow("overTempEn") << QString("overTempEn") << noticeSize;
    QTest::newRow("appIcon") << QString("appIcon") << QSize(256, 256);
}

void TestResources::pictureIsDrawn()
{
    QFETCH(QString, name);
    QFETCH(QSize, size);

    const QImage image(":/resource/" + name + ".png");
    QVERIFY2(!image.isNull(), qPrintable(name + " is missing or unreadable"));
    QCOMPARE(image.size(), size);
    QVERIFY2(image.hasAlphaChannel(), "pictures sit on a transparent ground");

    const Counts c = countPixels(image, image.rect());
    const int total = size.width() * size.height();
    // A real drawing covers a fair share of its canvas, leaves some of it clear, and uses
    // more than one or two colours; a blank or solid render fails at least one of these.
    QVERIFY2(c.opaque > total / 20, qPrintable(QString("opaque pixels: %1").arg(c.opaque)));
    QVERIFY2(c.transparent > total / 200,
             qPrintable(QString("transparent pixels: %1").arg(c.transparent)));
    QVERIFY2(c.opaqueColours.size() >= 3,
             qPrintable(QString("distinct colours: %1").arg(c.opaqueColours.size())));
}

void TestResources::noticeCarriesItsWording_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("Chinese") << QString("overTempZh");
    QTest::newRow("English") << QString("overTempEn");
}

void TestResources::noticeCarriesItsWording()
{
    QFETCH(QString, name);
    const QImage image =
        QImage(":/resource/" + name + ".png").convertToFormat(QImage::Format_ARGB32);
    QVERIFY(!image.isNull());

    // The wording sits right of the warning sign on a pale card. If text rendering failed
    // the area would be almost only card colour, so count clearly darker or red pixels.
    const QRect textArea(180, 40, 240, 140);
    int inked = 0;
    for (int y = textArea.top(); y <= textArea.bottom(); ++y) {
        for (int x = textArea.left(); x <= textArea.right(); ++x) {
            const QColor px = QColor::fromRgba(image.pixel(x, y));
            if (px.alpha() == 255 && px.lightness() < 160)
                ++inked;
        }
    }
    QVERIFY2(inked > textArea.width() * textArea.height() / 40,
             qPrintable(QString("inked pixels in text area: %1").arg(inked)));

    // Nothing of the wording may spill onto the card's border or beyond it.
    const QRect rightMargin(image.width() - 14, 24, 8, image.height() - 48);
    for (int y = rightMargin.top(); y <= rightMargin.bottom(); ++y)
        for (int x = rightMargin.left(); x <= rightMargin.right(); ++x)
            QVERIFY2(QColor::fromRgba(image.pixel(x, y)).lightness() > 160,
                     qPrintable(QString("ink at %1,%2").arg(x).arg(y)));
}

QTEST_MAIN(TestResources)
#include "tst_resources.moc"
