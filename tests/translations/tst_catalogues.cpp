// The catalogues compiled into the program: every message of the table with
// its English and Chinese text, the toolkit's English catalogue, and every text
// the code and forms show translated, with no Chinese left in the English.
#include "CatalogueTable.h"

#include <QFile>
#include <QHash>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTranslator>
#include <QXmlStreamReader>
#include <QtTest>

namespace {

using MessageKey = QPair<QString, QString>; // context, source

struct TsMessage
{
    QString translation;
    bool finished = true;
};

// The messages of a .ts file; an empty hash (and a warning) when it cannot be read.
QHash<MessageKey, TsMessage> readTs(const QString& path)
{
    QHash<MessageKey, TsMessage> messages;
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    QXmlStreamReader xml(&file);
    QString context, source;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (xml.name() == QLatin1String("source")) {
            source = xml.readElementText();
        } else if (xml.name() == QLatin1String("translation")) {
            const bool finished = xml.attributes().value(QLatin1String("type")).isEmpty();
            messages.insert({context, source}, {xml.readElementText(), finished});
        }
    }
    if (xml.hasError() || messages.isEmpty()) {
        qWarning("%s: %s", qPrintable(path), qPrintable(xml.errorString()));
        messages.clear();
    }
    return messages;
}

QString tsPath(const char* name)
{
    return QStringLiteral(LT_TS_DIR "/") + QLatin1String(name);
}

QString describe(const MessageKey& key)
{
    return key.first + QStringLiteral(": ") + key.second;
}

// Han characters, CJK punctuation and full-width forms.
const QRegularExpression chinese(QStringLiteral("[\\x{3000}-\\x{303f}\\x{3400}-\\x{4dbf}"
                                                "\\x{4e00}-\\x{9fff}\\x{ff00}-\\x{ffef}]"));

} // namespace

class TestCatalogues : public QObject
{
    Q_OBJECT

    QTranslator english;
    QTranslator chineseCatalogue;

private slots:
    void initTestCase()
    {
        QVERIFY(english.load(QStringLiteral(":/lang_en.qm")));
        QVERIFY(chineseCatalogue.load(QStringLiteral(":/lang_zh.qm")));
    }

    void tableMessage_data()
    {
        QTest::addColumn<QString>("context");
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("englishText");
        QTest::addColumn<QString>("chineseText");
        QSet<MessageKey> keys;
        for (const CatalogueMessage& m : kCatalogue) {
            const QString source = QString::fromUtf8(m.source);
            keys.insert({QString::fromLatin1(m.context), source});
            QTest::addRow("%s %s", m.context, m.source)
                << QString::fromLatin1(m.context) << source << QString::fromUtf8(m.english)
                << (m.chinese ? QString::fromUtf8(m.chinese) : source);
        }
        QCOMPARE(keys.size(), 128);
    }

    // Each compiled catalogue holds each message of the table, as written there.
    void tableMessage()
    {
        QFETCH(QString, context);
        QFETCH(QString, source);
        QFETCH(QString, englishText);
        QFETCH(QString, chineseText);
        const QByteArray c = context.toLatin1();
        const QByteArray s = source.toUtf8();
        QCOMPARE(english.translate(c.constData(), s.constData()), englishText);
        QCOMPARE(chineseCatalogue.translate(c.constData(), s.constData()), chineseText);
    }

    // English adds nothing to the toolkit's own texts (the Chinese one is
    // checked through the window in tst_language).
    void toolkitEnglishIsEmpty()
    {
        QTranslator toolkitEnglish;
        QVERIFY(toolkitEnglish.load(QStringLiteral(":/qt_en.qm")));
        QVERIFY(toolkitEnglish.isEmpty());
    }

    // Every message of both files is translated: English without a Chinese
    // character, Chinese as its source unless the table says otherwise.
    void everyMessageTranslated()
    {
        const QHash<MessageKey, TsMessage> en = readTs(tsPath("lang_en.ts"));
        const QHash<MessageKey, TsMessage> zh = readTs(tsPath("lang_zh.ts"));
        QVERIFY(en.size() >= 129);
        QHash<MessageKey, QString> variants;
        for (const CatalogueMessage& m : kCatalogue) {
            if (m.chinese)
                variants.insert({QString::fromLatin1(m.context), QString::fromUtf8(m.source)},
                                QString::fromUtf8(m.chinese));
        }
        for (auto it = en.cbegin(); it != en.cend(); ++it) {
            const QString what = describe(it.key());
            QVERIFY2(it->finished && !it->translation.isEmpty(), qPrintable(what));
            QVERIFY2(!it->translation.contains(chinese),
                     qPrintable(what + QStringLiteral(" -> ") + it->translation));
            QVERIFY2(zh.contains(it.key()), qPrintable(what + QStringLiteral(" not in lang_zh")));
        }
        for (auto it = zh.cbegin(); it != zh.cend(); ++it) {
            const QString what = describe(it.key());
            QVERIFY2(en.contains(it.key()), qPrintable(what + QStringLiteral(" not in lang_en")));
            QVERIFY2(it->finished, qPrintable(what));
            QCOMPARE(it->translation, variants.value(it.key(), it.key().second));
        }
    }

    // What lupdate finds in the code and forms is in the catalogues, and the
    // catalogues hold nothing else but the table's messages.
    void catalogueCoversTheSources()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString found = dir.filePath(QStringLiteral("found.ts"));
        QStringList arguments = QStringLiteral(LT_LUPDATE_OPTIONS).split(QLatin1Char('|'));
        arguments << QStringLiteral(LT_TRANSLATED_SOURCES).split(QLatin1Char('|'))
                  << QStringLiteral("-ts") << found;
        QProcess lupdate;
        lupdate.start(QStringLiteral(LT_LUPDATE), arguments);
        QVERIFY(lupdate.waitForFinished(120000));
        QVERIFY2(lupdate.exitCode() == 0, lupdate.readAllStandardError().constData());

        const QHash<MessageKey, TsMessage> inSources = readTs(found);
        const QHash<MessageKey, TsMessage> en = readTs(tsPath("lang_en.ts"));
        QVERIFY(inSources.size() > 100);
        for (auto it = inSources.cbegin(); it != inSources.cend(); ++it)
            QVERIFY2(
                en.contains(it.key()),
                qPrintable(describe(it.key()) +
                           QStringLiteral(": not in the catalogues (run update_translations)")));
        QSet<MessageKey> table;
        for (const CatalogueMessage& m : kCatalogue)
            table.insert({QString::fromLatin1(m.context), QString::fromUtf8(m.source)});
        for (auto it = en.cbegin(); it != en.cend(); ++it)
            QVERIFY2(inSources.contains(it.key()) || table.contains(it.key()),
                     qPrintable(describe(it.key()) + QStringLiteral(": shown nowhere")));
    }
};

QTEST_GUILESS_MAIN(TestCatalogues)
#include "tst_catalogues.moc"
