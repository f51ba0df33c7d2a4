#include "CliDemoSetup.h"

#include "SimBus.h"
#include "SimInstrument.h"

#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QPointer>
#include <QTimer>

namespace sim {
namespace {

QString variable(const char* name)
{
    return qEnvironmentVariable(name).trimmed();
}

QStringList items(const QString& text)
{
    QStringList out;
    for (const QString& item : text.split(QLatin1Char(','), Qt::SkipEmptyParts))
        out.append(item.trimmed());
    return out;
}

QString invalid(const char* name, const QString& value)
{
    return QStringLiteral("%1: cannot use \"%2\"").arg(QLatin1String(name), value);
}

// "Stray report" -> "stray-report".
QString faultKey(Fault fault)
{
    return faultName(fault).toLower().replace(QLatin1Char(' '), QLatin1Char('-'));
}

bool faultByKey(const QString& key, Fault* fault)
{
    for (int i = 0; i < kFaultCount; ++i) {
        if (faultKey(Fault(i)) == key.toLower()) {
            *fault = Fault(i);
            return true;
        }
    }
    return false;
}

// Appends what was written to the instruments to a file: everything new
// since the last call, one "path hex" line per report.
class WriteLog
{
public:
    explicit WriteLog(const QString& fileName) : m_file(fileName) {}
    bool open() { return m_file.open(QIODevice::WriteOnly | QIODevice::Truncate); }

    void flush()
    {
        for (SimInstrument* instrument : SimBus::instance().instruments()) {
            const QList<QByteArray> reports = instrument->writtenReports();
            int& done = m_written[instrument];
            for (int i = done; i < reports.size(); ++i)
                m_file.write(instrument->path().toUtf8() + ' ' + reports.at(i).toHex() + '\n');
            done = reports.size();
        }
        m_file.flush();
    }

private:
    QFile m_file;
    QHash<SimInstrument*, int> m_written;
};

WriteLog* g_writeLog = nullptr;

void flushWriteLogAtExit()
{
    if (g_writeLog)
        g_writeLog->flush();
    delete g_writeLog;
    g_writeLog = nullptr;
}

} // namespace

QString setUpCliDemo()
{
    SimBus& bus = SimBus::instance();
    bus.setClockMode(ClockMode::RealTime);

    if (qEnvironmentVariableIsSet("LT_SIM_CLOCK_SPEED")) {
        bool ok = false;
        const double speed = variable("LT_SIM_CLOCK_SPEED").toDouble(&ok);
        if (!ok || speed <= 0)
            return invalid("LT_SIM_CLOCK_SPEED", variable("LT_SIM_CLOCK_SPEED"));
        bus.setClockSpeed(speed);
    }
    bus.setInstantTimeouts(variable("LT_SIM_INSTANT_TIMEOUTS") == QLatin1String("1"));

    const QStringList models = qEnvironmentVariableIsSet("LT_SIM_INSTRUMENTS")
                                   ? items(variable("LT_SIM_INSTRUMENTS"))
                                   : QStringList{QStringLiteral("B")};
    QList<SimInstrument*> attached;
    for (const QString& m : models) {
        const QString model = m.toUpper();
        if (model == QLatin1String("A") || model == QLatin1String("RV718A"))
            attached.append(bus.attach(Model::RV718A));
        else if (model == QLatin1String("B") || model == QLatin1String("RV718B"))
            attached.append(bus.attach(Model::RV718B));
        else
            return invalid("LT_SIM_INSTRUMENTS", m);
    }

    const QStringList serials = items(variable("LT_SIM_SERIALS"));
    for (int i = 0; i < serials.size() && i < attached.size(); ++i)
        attached.at(i)->setSerialNumber(serials.at(i));

    for (const QString& entry : items(variable("LT_SIM_FAULTS"))) {
        QString name = entry;
        int only = -1;
        const int colon = entry.indexOf(QLatin1Char(':'));
        if (colon > 0) {
            bool ok = false;
            only = entry.left(colon).toInt(&ok);
            if (!ok || only < 0 || only >= attached.size())
                return invalid("LT_SIM_FAULTS", entry);
            name = entry.mid(colon + 1);
        }
        Fault fault;
        if (!faultByKey(name, &fault))
            return invalid("LT_SIM_FAULTS", entry);
        for (int i = 0; i < attached.size(); ++i)
            if (only < 0 || only == i)
                attached.at(i)->setFault(fault, true);
    }

    const auto number = [](const char* name, double* value) {
        if (!qEnvironmentVariableIsSet(name))
            return true;
        bool ok = false;
        *value = variable(name).toDouble(&ok);
        return ok && *value >= 0;
    };
    double stored = 0, testTime = 0, resistance = 0, comparison = 0;
    if (!number("LT_SIM_STORED", &stored))
        return invalid("LT_SIM_STORED", variable("LT_SIM_STORED"));
    if (!number("LT_SIM_TEST_TIME", &testTime))
        return invalid("LT_SIM_TEST_TIME", variable("LT_SIM_TEST_TIME"));
    if (!number("LT_SIM_RESISTANCE_UOHM", &resistance))
        return invalid("LT_SIM_RESISTANCE_UOHM", variable("LT_SIM_RESISTANCE_UOHM"));
    if (!number("LT_SIM_COMPARISON_UOHM", &comparison))
        return invalid("LT_SIM_COMPARISON_UOHM", variable("LT_SIM_COMPARISON_UOHM"));
    QSet<int> unanswered;
    for (const QString& group : items(variable("LT_SIM_UNANSWERED_GROUPS"))) {
        bool ok = false;
        unanswered.insert(group.toInt(&ok));
        if (!ok)
            return invalid("LT_SIM_UNANSWERED_GROUPS", group);
    }

    for (SimInstrument* instrument : attached) {
        instrument->addStoredRecords(int(stored));
        instrument->setSilentGroups(unanswered);
        if (qEnvironmentVariableIsSet("LT_SIM_RESISTANCE_UOHM"))
            instrument->setMeasuredResistance(resistance);
        InstrumentSettings settings = instrument->settings();
        if (qEnvironmentVariableIsSet("LT_SIM_TEST_TIME"))
            settings.testTimeSeconds = int(testTime);
        if (qEnvironmentVariableIsSet("LT_SIM_COMPARISON_UOHM")) {
            settings.comparisonOn = true;
            settings.comparisonValue = float(comparison);
            settings.comparisonUnit = 0;
            settings.comparisonDecimals = 1;
        }
        instrument->setSettings(settings);
    }

    if (qEnvironmentVariableIsSet("LT_SIM_UNPLUG_AFTER_MS")) {
        bool ok = false;
        const int ms = variable("LT_SIM_UNPLUG_AFTER_MS").toInt(&ok);
        if (!ok || ms < 0 || attached.isEmpty())
            return invalid("LT_SIM_UNPLUG_AFTER_MS", variable("LT_SIM_UNPLUG_AFTER_MS"));
        QPointer<SimInstrument> first = attached.first();
        QTimer::singleShot(ms, QCoreApplication::instance(), [first] {
            if (first)
                first->unplug();
        });
    }

    if (qEnvironmentVariableIsSet("LT_SIM_ABORT_AFTER_MS")) {
        bool ok = false;
        const int ms = variable("LT_SIM_ABORT_AFTER_MS").toInt(&ok);
        if (!ok || ms < 0 || attached.isEmpty())
            return invalid("LT_SIM_ABORT_AFTER_MS", variable("LT_SIM_ABORT_AFTER_MS"));
        // The operator at the instrument, pressing its TEST key once a test
        // has run for this long: the test ends without completing.
        QPointer<SimInstrument> first = attached.first();
        QObject::connect(first, &SimInstrument::changed, QCoreApplication::instance(), [first, ms] {
            if (!first || first->testState() != 1)
                return;
            QTimer::singleShot(ms, QCoreApplication::instance(), [first] {
                if (first && first->testState() == 1)
                    first->pressTestKey();
            });
        });
    }

    if (qEnvironmentVariableIsSet("LT_SIM_WRITE_LOG")) {
        g_writeLog = new WriteLog(variable("LT_SIM_WRITE_LOG"));
        if (!g_writeLog->open())
            return invalid("LT_SIM_WRITE_LOG", variable("LT_SIM_WRITE_LOG"));
        for (SimInstrument* instrument : attached)
            QObject::connect(instrument, &SimInstrument::changed, QCoreApplication::instance(), [] {
                if (g_writeLog)
                    g_writeLog->flush();
            });
        qAddPostRoutine(flushWriteLogAtExit);
    }
    return QString();
}

} // namespace sim
