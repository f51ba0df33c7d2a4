// The catalogues compiled into the program: every text the code and forms
// show is translated, with no Chinese left in the English.
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

// The translations of a .ts file, an unfinished one as an empty text; an
// empty hash (and a warning) when the file cannot be read.
QHash<MessageKey, QString> readTs(const QString& path)
{
    QHash<MessageKey, QString> messages;
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    QXmlStreamReader xml(&file);
    QString context, source;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("name"))
            context = xml.readElementText();
        else if (xml.name() == QLatin1String("source"))
            source = xml.readElementText();
        else if (xml.name() == QLatin1String("translation"))
            messages.insert({context, source},
                            xml.attributes().value(QLatin1String("type")).isEmpty()
                                ? xml.readElementText()
                                : QString());
    }
    if (xml.hasError() || messages.isEmpty())
        qWarning("%s: %s", qPrintable(path), qPrintable(xml.errorString()));
    return xml.hasError() ? QHash<MessageKey, QString>() : messages;
}

QString tsPath(const char* name)
{
    return QStringLiteral(LT_TS_DIR "/") + QLatin1String(name);
}

// Han characters, CJK punctuation and full-width forms.
const QRegularExpression chinese(QStringLiteral("[\\x{3000}-\\x{303f}\\x{3400}-\\x{4dbf}"
                                                "\\x{4e00}-\\x{9fff}\\x{ff00}-\\x{ffef}]"));

} // namespace

class TestCatalogues : public QObject
{
    Q_OBJECT

private slots:
    // Every message of both files is translated, English without a Chinese
    // character, and the catalogues compiled into the program say the same.
    void everyMessageTranslated()
    {
        const QHash<MessageKey, QString> en = readTs(tsPath("lang_en.ts"));
        const QHash<MessageKey, QString> zh = readTs(tsPath("lang_zh.ts"));
        QVERIFY(en.size() > 100);
        QCOMPARE(QSet<MessageKey>(en.keyBegin(), en.keyEnd()),
                 QSet<MessageKey>(zh.keyBegin(), zh.keyEnd()));
        QTranslator english;
        QTranslator chineseCatalogue;
        QVERIFY(english.load(QStringLiteral(":/lang_en.qm")));
        QVERIFY(chineseCatalogue.load(QStringLiteral(":/lang_zh.qm")));
        for (const auto& [catalogue, messages] :
             {std::pair{&english, &en}, std::pair{&chineseCatalogue, &zh}}) {
            for (auto it = messages->cbegin(); it != messages->cend(); ++it) {
                const QString what =
                    it.key().first + ": " + it.key().second + QStringLiteral(" -> ") + *it;
                QVERIFY2(!it->isEmpty(), qPrintable(what));
                QVERIFY2(messages == &zh || !it->contains(chinese), qPrintable(what));
                const QByteArray c = it.key().first.toUtf8();
                const QByteArray s = it.key().second.toUtf8();
                QVERIFY2(catalogue->translate(c.constData(), s.constData()) == *it,
                         qPrintable(what));
            }
        }
    }

    // What lupdate finds in the code and forms is in the catalogues.
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

        const QHash<MessageKey, QString> inSources = readTs(found);
        const QHash<MessageKey, QString> en = readTs(tsPath("lang_en.ts"));
        QVERIFY(inSources.size() > 100);
        for (auto it = inSources.cbegin(); it != inSources.cend(); ++it)
            QVERIFY2(en.contains(it.key()), qPrintable(it.key().first + ": " + it.key().second +
                                                       " is not in the catalogues (run "
                                                       "update_translations)"));
    }
};

QTEST_GUILESS_MAIN(TestCatalogues)
#include "tst_catalogues.moc"
