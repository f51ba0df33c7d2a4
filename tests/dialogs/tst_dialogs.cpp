// The small dialogs: what they show, what they remember, what they emit.
#include "AutoTestDialog.h"
#include "DeviceInfoDialog.h"
#include "DeviceSelectionDialog.h"
#include "DialogSettings.h"
#include "SampleIntervalDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTimeEdit>
#include <QtTest>

namespace {

const QString autoFile = QStringLiteral("settingsAuto.ini");
const QString sampleFile = QStringLiteral("settingsSample.ini");

// Clicks a button of the dialog's box; the dialog deletes itself on closing.
void press(QDialog* dialog, QDialogButtonBox::StandardButton which)
{
    QPointer<QDialog> guard = dialog;
    dialog->findChild<QDialogButtonBox*>()->button(which)->click();
    QTRY_VERIFY(guard.isNull());
}

// Writes a settings file as an earlier run of the program would have left it; an
// invalid value leaves the key out.
void store(const QString& file, const QString& key, const QVariant& value)
{
    if (value.isValid())
        QSettings(dialogSettingsPath(file), QSettings::IniFormat).setValue(key, value);
}

QVariant stored(const QString& file, const QString& key)
{
    return QSettings(dialogSettingsPath(file), QSettings::IniFormat).value(key);
}

} // namespace

class TestDialogs : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void init()
    {
        QFile::remove(dialogSettingsPath(autoFile));
        QFile::remove(dialogSettingsPath(sampleFile));
    }

    // Settings go to the data folder as UTF-8; when that folder cannot be
    // made, to the temporary folder.
    void settingsFallBackToTempWhenTheFolderCannotBeMade()
    {
        const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        QVERIFY(QDir(folder).removeRecursively());
        QFile blocker(folder); // a plain file where the folder should be makes mkpath fail
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const QString path = dialogSettingsPath(sampleFile);
        QVERIFY(QFile::remove(folder));
        QCOMPARE(path, QDir::tempPath() + QStringLiteral("/settingsSample.ini"));
    }

    void autoTestShowsStoredValuesHeldToItsRanges_data()
    {
        QTest::addColumn<QVariant>("storedInterval");
        QTest::addColumn<QVariant>("storedCount");
        QTest::addColumn<QTime>("shownTime");
        QTest::addColumn<int>("shownCount");
        QTest::newRow("no file") << QVariant() << QVariant() << QTime(0, 0, 10) << 2;
        QTest::newRow("2:30, 7") << QVariant(150000) << QVariant(7) << QTime(0, 2, 30) << 7;
        QTest::newRow("1:05.999 as 1:05") << QVariant(65999) << QVariant(3) << QTime(0, 1, 5) << 3;
        QTest::newRow("5:00 to 4:59, 25 to 10")
            << QVariant(300000) << QVariant(25) << QTime(0, 4, 59) << 10;
        QTest::newRow("an hour ignored, 1 to 2")
            << QVariant(3600000) << QVariant(1) << QTime(0, 0, 10) << 2;
        QTest::newRow("negative") << QVariant(-5000) << QVariant(-3) << QTime(0, 0, 10) << 2;
        QTest::newRow("not numbers") << QVariant("abc") << QVariant("x") << QTime(0, 0, 10) << 2;
    }

    void autoTestShowsStoredValuesHeldToItsRanges()
    {
        QFETCH(QVariant, storedInterval);
        QFETCH(QVariant, storedCount);
        QFETCH(QTime, shownTime);
        QFETCH(int, shownCount);
        const int writtenInterval = QTime(0, 0).msecsTo(shownTime);
        store(autoFile, "testIntervalValue", storedInterval);
        store(autoFile, "testCountValue", storedCount);

        auto* dialog = new AutoTestDialog;
        QCOMPARE(dialog->findChild<QTimeEdit*>("timeEdit_testIntervalValue")->time(), shownTime);
        QCOMPARE(dialog->findChild<QSpinBox*>("spinBox_testCountValue")->value(), shownCount);
        QSignalSpy started(dialog, &AutoTestDialog::startAutoTestSignal);
        press(dialog, QDialogButtonBox::Ok);
        QCOMPARE(started, (QList<QVariantList>{{shownCount, writtenInterval}}));
        QCOMPARE(stored(autoFile, "testIntervalValue").toInt(), writtenInterval);
        QCOMPARE(stored(autoFile, "testCountValue").toInt(), shownCount);
    }

    // The window starts polling at the interval last chosen (the dialog shows
    // the one in use: tst_mainwindow).
    void sampleIntervalStoredHeldToItsRange_data()
    {
        QTest::addColumn<QVariant>("storedValue");
        QTest::addColumn<int>("used");
        QTest::newRow("no file: the form's 500") << QVariant() << 500;
        QTest::newRow("off the step") << QVariant(250) << 250;
        QTest::newRow("too long") << QVariant(1000) << 800;
        QTest::newRow("too short") << QVariant(100) << 200;
        QTest::newRow("not a number") << QVariant(QStringLiteral("fast")) << 200;
    }

    void sampleIntervalStoredHeldToItsRange()
    {
        QFETCH(QVariant, storedValue);
        QFETCH(int, used);
        store(sampleFile, "interval", storedValue);
        QCOMPARE(SampleIntervalDialog::storedInterval(), used);
    }

    void cancelWritesAndSendsNothing()
    {
        store(autoFile, "testCountValue", 4);
        auto* autoTest = new AutoTestDialog;
        autoTest->findChild<QSpinBox*>()->setValue(9);
        auto* sample = new SampleIntervalDialog(500);
        sample->findChild<QSpinBox*>()->setValue(700);
        QSignalSpy started(autoTest, &AutoTestDialog::startAutoTestSignal);
        QSignalSpy chosen(sample, &SampleIntervalDialog::sampleIntervalSignal);
        press(autoTest, QDialogButtonBox::Cancel);
        press(sample, QDialogButtonBox::Cancel);
        QCOMPARE(started.count() + chosen.count(), 0);
        QCOMPARE(stored(autoFile, "testCountValue").toInt(), 4);
        QVERIFY(!stored(autoFile, "testIntervalValue").isValid());
        QVERIFY(!QFile::exists(dialogSettingsPath(sampleFile)));
    }

    void selectionOkSendsTheFirstPathUntouchedAndCancelNothing()
    {
        const QStringList paths{QStringLiteral("/dev/hidraw3"),
                                QStringLiteral("\\\\?\\hid#vid_1a86&pid_e429#7&2b5c1a3f&0&0000#"
                                               "{4d1e55b2-f16f-11cf-88cb-001111000030}")};
        for (auto button : {QDialogButtonBox::Ok, QDialogButtonBox::Cancel}) {
            auto* dialog = new DeviceSelectionDialog;
            dialog->addDevicePaths(paths);
            QVERIFY(dialog->findChild<QComboBox*>("comboBox")
                        ->itemText(1)
                        .endsWith(QLatin1Char('(') + paths.at(1) + QLatin1Char(')')));
            QSignalSpy selected(dialog, &DeviceSelectionDialog::pathSelected);
            press(dialog, button);
            const QList<QVariantList> expected{QVariantList{paths.at(0)}};
            QCOMPARE(selected, button == QDialogButtonBox::Ok ? expected : QList<QVariantList>());
        }
    }

    // The identity texts as the instrument sent them, fill included.
    void deviceInfoShowsTheIdentity()
    {
        DeviceInfoDialog dialog;
        const DeviceInfo info{QStringLiteral("100A 回路电阻测试仪"), QStringLiteral("RV718A     "),
                              QStringLiteral("V1.02") + QString(6, QChar(0))};
        dialog.systemInfoSlot(info);
        auto text = [&dialog](const char* label) {
            return dialog.findChild<QLabel*>(label)->text();
        };
        QCOMPARE((QStringList{text("label_nameValue"), text("label_modelValue"),
                              text("label_versionValue")}),
                 (QStringList{info.name, info.model, info.version}));
    }
};

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
