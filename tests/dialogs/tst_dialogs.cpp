// The four small dialogs: what they show, what they remember, what they emit.
#include "AutoTestDialog.h"
#include "DeviceInfoDialog.h"
#include "DeviceSelectionDialog.h"
#include "DialogSettings.h"
#include "SampleIntervalDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTimeEdit>
#include <QtTest>

namespace {

const QString autoFile = QStringLiteral("settingsAuto.ini");
const QString sampleFile = QStringLiteral("settingsSample.ini");

void press(QDialog* dialog, QDialogButtonBox::StandardButton which)
{
    auto* box = dialog->findChild<QDialogButtonBox*>();
    QVERIFY(box);
    QVERIFY(box->button(which));
    box->button(which)->click();
}

// Writes a settings file as an earlier run of the program would have left it.
void store(const QString& file, const QVariantMap& values)
{
    QSettings settings(dialogSettingsPath(file), QSettings::IniFormat);
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        settings.setValue(it.key(), it.value());
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

    // --- settings files -------------------------------------------------

    void settingsLiveInTheAppDataFolder()
    {
        const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        QCOMPARE(dialogSettingsPath(autoFile), folder + QStringLiteral("/settingsAuto.ini"));
        QVERIFY(QDir(folder).exists());
    }

    void settingsFallBackToTempWhenTheFolderCannotBeMade()
    {
        const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        QVERIFY(QDir(folder).removeRecursively());
        {
            // A plain file where the folder should be makes mkpath fail.
            QFile blocker(folder);
            QVERIFY(blocker.open(QIODevice::WriteOnly));
        }
        const QString path = dialogSettingsPath(sampleFile);
        QVERIFY(QFile::remove(folder));
        QCOMPARE(path, QDir::tempPath() + QStringLiteral("/settingsSample.ini"));
    }

    void chineseTextSurvivesTheIniFile()
    {
        const QString file = QStringLiteral("roundTrip.ini");
        const QString text = QStringLiteral("回路电阻测试仪 “RV718A”，μΩ");
        QFile::remove(dialogSettingsPath(file));
        {
            auto settings = openDialogSettings(file);
            settings->setValue(QStringLiteral("user"), text);
            settings->sync();
            QCOMPARE(settings->status(), QSettings::NoError);
        }
        QFile raw(dialogSettingsPath(file));
        QVERIFY(raw.open(QIODevice::ReadOnly));
        QVERIFY2(raw.readAll().contains(text.toUtf8()), "text is stored as plain UTF-8");
        QCOMPARE(openDialogSettings(file)->value(QStringLiteral("user")).toString(), text);
        QFile::remove(dialogSettingsPath(file));
    }

    // --- automatic test -------------------------------------------------

    void autoTestFirstRunShowsTwoTestsAndTenSeconds()
    {
        QPointer<AutoTestDialog> dialog = new AutoTestDialog;
        auto* count = dialog->findChild<QSpinBox*>(QStringLiteral("spinBox_testCountValue"));
        auto* time = dialog->findChild<QTimeEdit*>(QStringLiteral("timeEdit_testIntervalValue"));
        QVERIFY(count && time);
        QCOMPARE(count->value(), 2);
        QCOMPARE(time->time(), QTime(0, 0, 10));
        QCOMPARE(time->currentSection(), QDateTimeEdit::SecondSection);
        QCOMPARE(time->displayFormat(), QStringLiteral("m:ss"));
        QVERIFY(dialog->testAttribute(Qt::WA_DeleteOnClose));
        QCOMPARE(dialog->windowType(), Qt::Window);

        QSignalSpy started(dialog.data(), &AutoTestDialog::startAutoTestSignal);
        press(dialog, QDialogButtonBox::Ok);
        QCOMPARE(started.count(), 1);
        QCOMPARE(started.at(0), (QVariantList{2, 10000}));
        QCOMPARE(stored(autoFile, QStringLiteral("testIntervalValue")).toInt(), 10000);
        QCOMPARE(stored(autoFile, QStringLiteral("testCountValue")).toInt(), 2);
        QTRY_VERIFY(dialog.isNull());
    }

    void autoTestHoldsStoredValuesToItsRanges_data()
    {
        QTest::addColumn<QVariant>("storedInterval");
        QTest::addColumn<QVariant>("storedCount");
        QTest::addColumn<QTime>("shownTime");
        QTest::addColumn<int>("shownCount");
        QTest::addColumn<int>("writtenInterval");

        QTest::newRow("1:05, 5 tests")
            << QVariant(65000) << QVariant(5) << QTime(0, 1, 5) << 5 << 65000;
        QTest::newRow("milliseconds dropped")
            << QVariant(65999) << QVariant(3) << QTime(0, 1, 5) << 3 << 65000;
        QTest::newRow("5:00 held to 4:59, count 25 to 10")
            << QVariant(300000) << QVariant(25) << QTime(0, 4, 59) << 10 << 299000;
        QTest::newRow("an hour is ignored, count 1 raised to 2")
            << QVariant(3600000) << QVariant(1) << QTime(0, 0, 10) << 2 << 10000;
        QTest::newRow("negative values")
            << QVariant(-5000) << QVariant(-3) << QTime(0, 0, 10) << 2 << 10000;
        QTest::newRow("not numbers")
            << QVariant(QStringLiteral("abc")) << QVariant(QStringLiteral("x")) << QTime(0, 0, 10)
            << 2 << 10000;
    }

    void autoTestHoldsStoredValuesToItsRanges()
    {
        QFETCH(QVariant, storedInterval);
        QFETCH(QVariant, storedCount);
        QFETCH(QTime, shownTime);
        QFETCH(int, shownCount);
        QFETCH(int, writtenInterval);
        store(autoFile, {{QStringLiteral("testIntervalValue"), storedInterval},
                         {QStringLiteral("testCountValue"), storedCount}});

        auto* dialog = new AutoTestDialog;
        QCOMPARE(dialog->findChild<QTimeEdit*>()->time(), shownTime);
        QCOMPARE(dialog->findChild<QSpinBox*>()->value(), shownCount);

        QSignalSpy started(dialog, &AutoTestDialog::startAutoTestSignal);
        press(dialog, QDialogButtonBox::Ok);
        QCOMPARE(started.at(0), (QVariantList{shownCount, writtenInterval}));
        QCOMPARE(stored(autoFile, QStringLiteral("testIntervalValue")).toInt(), writtenInterval);
        QCOMPARE(stored(autoFile, QStringLiteral("testCountValue")).toInt(), shownCount);
    }

    void autoTestOkSendsTheEditedValues()
    {
        auto* dialog = new AutoTestDialog;
        dialog->findChild<QSpinBox*>()->setValue(7);
        dialog->findChild<QTimeEdit*>()->setTime(QTime(0, 2, 30));
        QSignalSpy started(dialog, &AutoTestDialog::startAutoTestSignal);
        press(dialog, QDialogButtonBox::Ok);
        QCOMPARE(started.at(0), (QVariantList{7, 150000}));

        // The next opening shows what was accepted.
        QPointer<AutoTestDialog> next = new AutoTestDialog;
        QCOMPARE(next->findChild<QSpinBox*>()->value(), 7);
        QCOMPARE(next->findChild<QTimeEdit*>()->time(), QTime(0, 2, 30));
        next->close();
        QTRY_VERIFY(next.isNull());
    }

    void autoTestCancelWritesAndSendsNothing()
    {
        store(autoFile, {{QStringLiteral("testCountValue"), 4}});
        QPointer<AutoTestDialog> dialog = new AutoTestDialog;
        dialog->findChild<QSpinBox*>()->setValue(9);
        QSignalSpy started(dialog.data(), &AutoTestDialog::startAutoTestSignal);
        press(dialog, QDialogButtonBox::Cancel);
        QTRY_VERIFY(dialog.isNull());
        QCOMPARE(started.count(), 0);
        QCOMPARE(stored(autoFile, QStringLiteral("testCountValue")).toInt(), 4);
        QVERIFY(!stored(autoFile, QStringLiteral("testIntervalValue")).isValid());
    }

    // --- sample interval ------------------------------------------------

    void sampleIntervalFirstRunShows600()
    {
        QPointer<SampleIntervalDialog> dialog = new SampleIntervalDialog;
        auto* spin = dialog->findChild<QSpinBox*>(QStringLiteral("spinBox_SampleInterval"));
        QVERIFY(spin);
        QCOMPARE(spin->value(), 600); // the stored default, not the form's 500
        QCOMPARE(dialog->windowType(), Qt::Window);

        QSignalSpy chosen(dialog.data(), &SampleIntervalDialog::sampleIntervalSignal);
        press(dialog, QDialogButtonBox::Ok);
        QCOMPARE(chosen.count(), 1);
        QCOMPARE(chosen.at(0).at(0).toInt(), 600);
        QCOMPARE(stored(sampleFile, QStringLiteral("interval")).toInt(), 600);
        QTRY_VERIFY(dialog.isNull());
    }

    void sampleIntervalHoldsStoredValuesToItsRange_data()
    {
        QTest::addColumn<QVariant>("storedValue");
        QTest::addColumn<int>("shown");
        QTest::newRow("in range") << QVariant(300) << 300;
        QTest::newRow("off the step") << QVariant(250) << 250;
        QTest::newRow("too long") << QVariant(1000) << 800;
        QTest::newRow("too short") << QVariant(100) << 200;
        QTest::newRow("not a number") << QVariant(QStringLiteral("fast")) << 200;
    }

    void sampleIntervalHoldsStoredValuesToItsRange()
    {
        QFETCH(QVariant, storedValue);
        QFETCH(int, shown);
        store(sampleFile, {{QStringLiteral("interval"), storedValue}});
        auto* dialog = new SampleIntervalDialog;
        QCOMPARE(dialog->findChild<QSpinBox*>()->value(), shown);
        QSignalSpy chosen(dialog, &SampleIntervalDialog::sampleIntervalSignal);
        press(dialog, QDialogButtonBox::Ok);
        QCOMPARE(chosen.at(0).at(0).toInt(), shown);
        QCOMPARE(stored(sampleFile, QStringLiteral("interval")).toInt(), shown);
    }

    void sampleIntervalAcceptsATypedValueOffTheStep()
    {
        auto* dialog = new SampleIntervalDialog;
        auto* spin = dialog->findChild<QSpinBox*>();
        spin->selectAll();
        QTest::keyClicks(spin, QStringLiteral("250"));
        QTest::keyClick(spin, Qt::Key_Enter);
        QCOMPARE(spin->value(), 250);
        QSignalSpy chosen(dialog, &SampleIntervalDialog::sampleIntervalSignal);
        press(dialog, QDialogButtonBox::Ok);
        QCOMPARE(chosen.at(0).at(0).toInt(), 250);
    }

    void sampleIntervalCancelWritesAndSendsNothing()
    {
        QPointer<SampleIntervalDialog> dialog = new SampleIntervalDialog;
        dialog->findChild<QSpinBox*>()->setValue(700);
        QSignalSpy chosen(dialog.data(), &SampleIntervalDialog::sampleIntervalSignal);
        press(dialog, QDialogButtonBox::Cancel);
        QTRY_VERIFY(dialog.isNull());
        QCOMPARE(chosen.count(), 0);
        QVERIFY(!QFile::exists(dialogSettingsPath(sampleFile)));
    }

    // --- device information ---------------------------------------------

    void deviceInfoShowsTheTextsAsTheyAre()
    {
        QPointer<DeviceInfoDialog> dialog = new DeviceInfoDialog;
        auto label = [&](const char* name) {
            return dialog->findChild<QLabel*>(QLatin1String(name))->text();
        };
        QCOMPARE(label("label_name"), QStringLiteral("名称"));
        QCOMPARE(label("label_model"), QStringLiteral("型号"));
        QCOMPARE(label("label_version"), QStringLiteral("版本"));

        dialog->systemInfoSlot(DeviceInfo{QStringLiteral("100A 回路电阻测试仪"),
                                          QStringLiteral("RV718A     "),
                                          QStringLiteral("V1.02      ")});
        QCOMPARE(label("label_nameValue"), QStringLiteral("100A 回路电阻测试仪"));
        QCOMPARE(label("label_modelValue"), QStringLiteral("RV718A     "));
        QCOMPARE(label("label_versionValue"), QStringLiteral("V1.02      "));

        dialog->systemInfoSlot(DeviceInfo{});
        QCOMPARE(label("label_nameValue"), QString());
        QCOMPARE(label("label_modelValue"), QString());
        QCOMPARE(label("label_versionValue"), QString());

        press(dialog, QDialogButtonBox::Ok);
        QTRY_VERIFY(dialog.isNull());
    }

    // --- device selection -----------------------------------------------

    void selectionOkSendsTheFirstPathUntouched()
    {
        const QStringList paths{QStringLiteral("/dev/hidraw3"),
                                QStringLiteral("\\\\?\\hid#vid_1a86&pid_e429#7&2b5c1a3f&0&0000#"
                                               "{4d1e55b2-f16f-11cf-88cb-001111000030}")};
        QPointer<DeviceSelectionDialog> dialog = new DeviceSelectionDialog;
        dialog->addDevicePaths(paths);
        auto* combo = dialog->findChild<QComboBox*>(QStringLiteral("comboBox"));
        QCOMPARE(combo->count(), 2);
        QCOMPARE(combo->itemText(1), paths.at(1)); // shown in full

        QSignalSpy selected(dialog.data(), &DeviceSelectionDialog::pathSelected);
        press(dialog, QDialogButtonBox::Ok);
        QCOMPARE(selected.count(), 1);
        QCOMPARE(selected.at(0).at(0).toString(), paths.at(0));
        QTRY_VERIFY(dialog.isNull());
    }

    void selectionSendsTheChosenPath()
    {
        auto* dialog = new DeviceSelectionDialog;
        dialog->addDevicePaths({QStringLiteral("/dev/hidraw1"), QStringLiteral("/dev/hidraw2")});
        dialog->addDevicePaths({QStringLiteral("/dev/hidraw5")}); // appended after the others
        dialog->findChild<QComboBox*>()->setCurrentIndex(2);
        QSignalSpy selected(dialog, &DeviceSelectionDialog::pathSelected);
        press(dialog, QDialogButtonBox::Ok);
        QCOMPARE(selected.at(0).at(0).toString(), QStringLiteral("/dev/hidraw5"));
    }

    void selectionDismissedSendsNothing_data()
    {
        QTest::addColumn<int>("how");
        QTest::newRow("Cancel") << 0;
        QTest::newRow("Escape") << 1;
        QTest::newRow("window close") << 2;
    }

    void selectionDismissedSendsNothing()
    {
        QFETCH(int, how);
        QPointer<DeviceSelectionDialog> dialog = new DeviceSelectionDialog;
        dialog->addDevicePaths({QStringLiteral("/dev/hidraw1"), QStringLiteral("/dev/hidraw2")});
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        QSignalSpy selected(dialog.data(), &DeviceSelectionDialog::pathSelected);
        if (how == 0)
            press(dialog, QDialogButtonBox::Cancel);
        else if (how == 1)
            QTest::keyClick(dialog, Qt::Key_Escape);
        else
            dialog->close();
        QTRY_VERIFY(dialog.isNull());
        QCOMPARE(selected.count(), 0);
    }
};

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
