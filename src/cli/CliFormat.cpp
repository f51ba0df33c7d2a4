#include "CliFormat.h"

#include "FileText.h"
#include "Protocol.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>
#include <QLocale>

namespace {

QString orDash(const QString& text)
{
    return text.isEmpty() ? QStringLiteral("-") : text;
}

QString unitOfComparison(int index)
{
    return index == 1 ? QStringLiteral("mΩ") : QStringLiteral("μΩ");
}

// The live record's comparison cell: the limit as the instrument shows it,
// then its unit, when comparison is on.
QString comparisonCell(const ReceiveLiveData& r)
{
    if (!r.comparisonSwitch)
        return QString();
    return CliFormat::clean(r.comparisonValue) + unitOfComparison(r.comparisonUnitIndex);
}

// The set current as the window's current list names it: 5 A is entry 0,
// 10·n A entry n.
QString currentSetCell(int amperes)
{
    const int index = amperes / 10;
    return QString::number(index == 0 ? 5 : index * 10) + QLatin1Char('A');
}

QString resistance(const ReceiveLiveData& r)
{
    return (CliFormat::clean(r.testingResValue) + QLatin1Char(' ') +
            CliFormat::clean(r.testingResUnit))
        .trimmed();
}

} // namespace

QString CliFormat::clean(const QString& text)
{
    QString out = filetext::forXml(text);
    for (QChar& c : out) {
        if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            c = QLatin1Char(' ');
    }
    return out.trimmed();
}

QString CliFormat::isoTime(const QDateTime& time)
{
    // With an explicit offset, ISO formatting writes it; local time alone would not.
    return time.toOffsetFromUtc(time.offsetFromUtc()).toString(Qt::ISODateWithMs);
}

// --- identity ------------------------------------------------------------

QString CliFormat::identityLine(const Identity& id)
{
    return QStringList{orDash(id.path), orDash(id.usbPort), orDash(id.serial),
                       orDash(clean(id.model)), orDash(clean(id.version))}
        .join(QLatin1Char('\t'));
}

QString CliFormat::identityText(const Identity& id)
{
    return labelledText(
        {tr("Path"), tr("USB port"), tr("Serial number"), tr("Model"), tr("Version")},
        {id.path, orDash(id.usbPort), orDash(id.serial), clean(id.model), clean(id.version)});
}

QJsonObject CliFormat::identityJson(const Identity& id)
{
    QJsonObject o{{QStringLiteral("path"), id.path},
                  {QStringLiteral("usb_port"), id.usbPort},
                  {QStringLiteral("serial"), id.serial},
                  {QStringLiteral("model"), clean(id.model)},
                  {QStringLiteral("version"), clean(id.version)}};
    if (!id.error.isEmpty())
        o.insert(QStringLiteral("error"), id.error);
    return o;
}

// --- live readings -------------------------------------------------------

QString CliFormat::stateName(int testState)
{
    switch (testState) {
    case teststate::Testing:
        return QStringLiteral("testing");
    case teststate::Complete:
        return QStringLiteral("complete");
    default:
        return QStringLiteral("waiting");
    }
}

int CliFormat::timeLeftSeconds(const ReceiveLiveData& r)
{
    bool ok = false;
    const int seconds = clean(r.timeLeftValue).toInt(&ok);
    return ok ? seconds : -1;
}

QString CliFormat::readingText(const QDateTime& time, const ReceiveLiveData& r)
{
    QString state;
    switch (r.testState) {
    case teststate::Testing:
        state = tr("testing");
        break;
    case teststate::Complete:
        state = tr("complete");
        break;
    default:
        state = tr("waiting");
        break;
    }
    const int left = timeLeftSeconds(r);
    QStringList fields{
        isoTime(time),
        state.leftJustified(8),
        orDash(resistance(r)).rightJustified(10),
        (clean(r.testingCurrentValue) + QLatin1Char(' ') + clean(r.testingCurrentUnit))
            .trimmed()
            .rightJustified(8),
        (left < 0 ? QStringLiteral("-") : QString::number(left) + QStringLiteral(" S"))
            .rightJustified(4),
        orDash(r.comparativeResult),
    };
    if (r.overTemperature)
        fields.append(tr("OVER-TEMPERATURE"));
    return fields.join(QStringLiteral("  "));
}

QString CliFormat::readingCsvHeader()
{
    return QStringLiteral(
        "time,state,resistance,resistance_unit,current,current_unit,time_left,judgement,"
        "over_temperature");
}

QString CliFormat::readingCsv(const QDateTime& time, const ReceiveLiveData& r)
{
    const int left = timeLeftSeconds(r);
    return csvLine({isoTime(time), stateName(r.testState), clean(r.testingResValue),
                    clean(r.testingResUnit), clean(r.testingCurrentValue),
                    clean(r.testingCurrentUnit), left < 0 ? QString() : QString::number(left),
                    r.comparativeResult,
                    r.overTemperature ? QStringLiteral("true") : QStringLiteral("false")});
}

QJsonObject CliFormat::readingJson(const QDateTime& time, const ReceiveLiveData& r)
{
    const int left = timeLeftSeconds(r);
    return {{QStringLiteral("time"), isoTime(time)},
            {QStringLiteral("state"), stateName(r.testState)},
            {QStringLiteral("resistance"), clean(r.testingResValue)},
            {QStringLiteral("resistance_unit"), clean(r.testingResUnit)},
            {QStringLiteral("current"), clean(r.testingCurrentValue)},
            {QStringLiteral("current_unit"), clean(r.testingCurrentUnit)},
            {QStringLiteral("time_left"), left < 0 ? QJsonValue() : QJsonValue(left)},
            {QStringLiteral("judgement"), r.comparativeResult},
            {QStringLiteral("over_temperature"), r.overTemperature}};
}

// --- the record of a finished test ---------------------------------------

QStringList CliFormat::liveRecordHeaders()
{
    return {tr("No."),         tr("Recording time"),     tr("Testing time"),
            tr("Current set"), tr("Testing current"),    tr("Test resistance"),
            tr("Comparison"),  tr("Comparative result"), tr("Remark")};
}

QStringList CliFormat::liveRecordKeys()
{
    return {QStringLiteral("no"),
            QStringLiteral("recording_time"),
            QStringLiteral("testing_time"),
            QStringLiteral("current_set"),
            QStringLiteral("testing_current"),
            QStringLiteral("test_resistance"),
            QStringLiteral("comparison"),
            QStringLiteral("comparative_result"),
            QStringLiteral("remark")};
}

QString CliFormat::elapsedTestTime(int setSeconds, const QString& timeLeftText)
{
    QString left = timeLeftText;
    left.remove(QLatin1Char('S'));
    return QString::number(setSeconds - left.toInt()) + QLatin1Char('S');
}

QStringList CliFormat::liveRecordRow(int number, const QDateTime& recorded,
                                     const ReceiveLiveData& r, const QString& remark)
{
    return {QString::number(number),
            QLocale::c().toString(recorded, QStringLiteral("yyyy-MM-dd hh:mm:ss")),
            elapsedTestTime(r.testingTime, clean(r.timeLeftValue)),
            currentSetCell(r.currentSetting),
            clean(r.testingCurrentValue) + clean(r.testingCurrentUnit),
            resistance(r),
            comparisonCell(r),
            r.comparativeResult,
            remark};
}

// --- stored records ------------------------------------------------------

QStringList CliFormat::storedHeaders()
{
    return {tr("Store number"),      tr("Recording time"),  tr("Testing time"),
            tr("Testing current"),   tr("Test resistance"), tr("Comparison"),
            tr("Comparative result")};
}

QStringList CliFormat::storedKeys()
{
    return {QStringLiteral("store_number"),      QStringLiteral("recording_time"),
            QStringLiteral("testing_time"),      QStringLiteral("testing_current"),
            QStringLiteral("test_resistance"),   QStringLiteral("comparison"),
            QStringLiteral("comparative_result")};
}

QStringList CliFormat::storedRow(const ReceiveStorageData& r)
{
    return {clean(r.storeNumber),
            clean(r.recordTime),
            clean(r.testingTime),
            clean(r.testingCurrent) + QLatin1Char('A'),
            clean(r.testingResValue) + clean(r.testingResUnit),
            clean(r.comparisonValue) + clean(r.comparisonUnit),
            clean(r.comparativeResult)};
}

// --- tables --------------------------------------------------------------

QString CliFormat::csvLine(const QStringList& fields)
{
    QStringList out;
    out.reserve(fields.size());
    for (const QString& f : fields) {
        const bool quote = f.contains(QLatin1Char(',')) || f.contains(QLatin1Char('"')) ||
                           f.contains(QLatin1Char('\n')) || f.contains(QLatin1Char('\r')) ||
                           (!f.isEmpty() && (f.front().isSpace() || f.back().isSpace()));
        if (quote) {
            QString escaped = f;
            escaped.replace(QLatin1Char('"'), QStringLiteral("\"\""));
            out.append(QLatin1Char('"') + escaped + QLatin1Char('"'));
        } else {
            out.append(f);
        }
    }
    return out.join(QLatin1Char(','));
}

QByteArray CliFormat::csvTable(const QStringList& headers, const QVector<QStringList>& rows)
{
    QString out = csvLine(headers) + QLatin1Char('\n');
    for (QStringList row : rows) {
        while (row.size() < headers.size())
            row.append(QString());
        out += csvLine(row) + QLatin1Char('\n');
    }
    return out.toUtf8();
}

QJsonObject CliFormat::jsonRow(const QStringList& keys, const QStringList& row)
{
    QJsonObject o;
    for (int i = 0; i < keys.size(); ++i)
        o.insert(keys.at(i), row.value(i));
    return o;
}

QByteArray CliFormat::jsonTable(const QStringList& keys, const QVector<QStringList>& rows)
{
    QJsonArray array;
    for (const QStringList& row : rows)
        array.append(jsonRow(keys, row));
    return QJsonDocument(array).toJson(QJsonDocument::Indented);
}

QString CliFormat::labelledText(const QStringList& headers, const QStringList& row)
{
    QString out;
    for (int i = 0; i < headers.size(); ++i)
        out += headers.at(i) + QStringLiteral(": ") + row.value(i) + QLatin1Char('\n');
    return out;
}
