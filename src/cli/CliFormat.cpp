#include "CliFormat.h"

#include "FileText.h"
#include "Protocol.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>
#include <QLocale>
#include <QRegularExpression>

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

QString current(const ReceiveLiveData& r)
{
    return CliFormat::clean(r.testingCurrentValue) + CliFormat::clean(r.testingCurrentUnit);
}

// A number as CSV carries it: the shortest text that reads back the same.
QString csvNumber(const QJsonValue& number)
{
    return number.isDouble()
               ? QString::number(number.toDouble(), 'g', QLocale::FloatingPointShortest)
               : QString();
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
        "over_temperature,resistance_ohm,current_a");
}

QString CliFormat::readingCsv(const QDateTime& time, const ReceiveLiveData& r)
{
    const int left = timeLeftSeconds(r);
    return csvLine({isoTime(time), stateName(r.testState), clean(r.testingResValue),
                    clean(r.testingResUnit), clean(r.testingCurrentValue),
                    clean(r.testingCurrentUnit), left < 0 ? QString() : QString::number(left),
                    r.comparativeResult,
                    r.overTemperature ? QStringLiteral("true") : QStringLiteral("false"),
                    csvNumber(siNumber(resistance(r))), csvNumber(siNumber(current(r)))});
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
            {QStringLiteral("over_temperature"), r.overTemperature},
            {QStringLiteral("resistance_ohm"), siNumber(resistance(r))},
            {QStringLiteral("current_a"), siNumber(current(r))}};
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
            current(r),
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

// --- numbers for scripts -------------------------------------------------

QJsonValue CliFormat::siNumber(const QString& display)
{
    static const QRegularExpression pattern(
        QStringLiteral("^\\s*(\\d+(?:\\.\\d*)?)\\s*([μµm]?Ω|A|S)\\s*$"));
    const QRegularExpressionMatch m = pattern.match(display);
    if (!m.hasMatch())
        return QJsonValue();
    // The exponent in the text, so that 125.40 μΩ reads as 0.0001254 exactly
    // rather than as 125.4 times an inexact 1e-6.
    const QChar prefix = m.captured(2).at(0);
    const QString exponent = prefix == QLatin1Char('m')  ? QStringLiteral("e-3")
                             : m.captured(2).size() == 2 ? QStringLiteral("e-6")
                                                         : QString();
    bool ok = false;
    const double value = QLocale::c().toDouble(m.captured(1) + exponent, &ok);
    return ok ? QJsonValue(value) : QJsonValue();
}

QVector<CliFormat::NumberColumn> CliFormat::liveRecordNumbers()
{
    return {{QStringLiteral("testing_time_s"), 2},
            {QStringLiteral("current_set_a"), 3},
            {QStringLiteral("current_a"), 4},
            {QStringLiteral("resistance_ohm"), 5},
            {QStringLiteral("comparison_ohm"), 6}};
}

QVector<CliFormat::NumberColumn> CliFormat::storedNumbers()
{
    return {{QStringLiteral("testing_time_s"), 2},
            {QStringLiteral("current_a"), 3},
            {QStringLiteral("resistance_ohm"), 4},
            {QStringLiteral("comparison_ohm"), 5}};
}

QByteArray CliFormat::storedCsv(const QVector<QStringList>& rows)
{
    return csvTable(storedHeaders(), rows, storedNumbers());
}

QByteArray CliFormat::storedJson(const QVector<QStringList>& rows)
{
    return jsonTable(storedKeys(), rows, storedNumbers());
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

QByteArray CliFormat::csvTable(const QStringList& headers, const QVector<QStringList>& rows,
                               const QVector<NumberColumn>& numbers)
{
    QStringList header = headers;
    for (const NumberColumn& n : numbers)
        header.append(n.key);
    QString out = csvLine(header) + QLatin1Char('\n');
    for (QStringList row : rows) {
        while (row.size() < headers.size())
            row.append(QString());
        for (const NumberColumn& n : numbers)
            row.append(csvNumber(siNumber(row.at(n.from))));
        out += csvLine(row) + QLatin1Char('\n');
    }
    return out.toUtf8();
}

QJsonObject CliFormat::jsonRow(const QStringList& keys, const QStringList& row,
                               const QVector<NumberColumn>& numbers)
{
    QJsonObject o;
    for (int i = 0; i < keys.size(); ++i)
        o.insert(keys.at(i), row.value(i));
    for (const NumberColumn& n : numbers)
        o.insert(n.key, siNumber(row.value(n.from)));
    return o;
}

QByteArray CliFormat::jsonTable(const QStringList& keys, const QVector<QStringList>& rows,
                                const QVector<NumberColumn>& numbers)
{
    QJsonArray array;
    for (const QStringList& row : rows)
        array.append(jsonRow(keys, row, numbers));
    return QJsonDocument(array).toJson(QJsonDocument::Indented);
}

QString CliFormat::labelledText(const QStringList& headers, const QStringList& row)
{
    QString out;
    for (int i = 0; i < headers.size(); ++i)
        out += headers.at(i) + QStringLiteral(": ") + row.value(i) + QLatin1Char('\n');
    return out;
}
