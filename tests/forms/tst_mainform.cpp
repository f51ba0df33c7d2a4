// The main window's form as the controller relies on it: every object it addresses
// by name exists with the right class, and the by-name slots reach their widgets.
#include "SwitchButton.h"
#include "ui_mainwindow.h"

#include <QtTest>

// A window with one recording slot per by-name connection the controller makes.
class ProbeWindow : public QMainWindow
{
    Q_OBJECT

public:
    ProbeWindow() { ui.setupUi(this); }

    Ui::MainWindow ui;
    QStringList calls;

private slots:
    void on_actionConnect_triggered() { calls << __func__; }
    void on_actionLiveTestView_triggered() { calls << __func__; }
    void on_actionStorageView_triggered() { calls << __func__; }
    void on_actionImport_storage_triggered() { calls << __func__; }
    void on_actionExportToExcel_triggered() { calls << __func__; }
    void on_actionExportToPDF_triggered() { calls << __func__; }
    void on_actionSample_interval_triggered() { calls << __func__; }
    void on_actionAutomatic_measurement_triggered() { calls << __func__; }
    void on_actionDeviceInfo_triggered() { calls << __func__; }
    void on_stackedWidget_currentChanged(int) { calls << __func__; }
    void on_pushButton_UpdatePara_clicked() { calls << __func__; }
    void on_pushButton_Test_clicked() { calls << __func__; }
    void on_pushButton_delete_clicked() { calls << __func__; }
    void on_pushButton_save_clicked() { calls << __func__; }
    void on_pushButton_clear_clicked() { calls << __func__; }
    void on_doubleSpinBox_ComparisonValue_editingFinished() { calls << __func__; }
    void on_spinBox_TestingTimeValue_editingFinished() { calls << __func__; }
    void on_comboBox_ComparisonUnitValue_activated(int) { calls << __func__; }
    void on_comboBox_CurrentSettingValue_activated(int) { calls << __func__; }
};

class TestMainForm : public QObject
{
    Q_OBJECT

private slots:
    void everyNamedObjectHasItsClass_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("className");
        const QList<QPair<const char*, QStringList>> objects{
            {"QAction",
             {"actionConnect", "actionLiveTestView", "actionStorageView", "actionImport_storage",
              "actionSample_interval", "actionAutomatic_measurement", "actionExportToExcel",
              "actionExportToPDF", "actionDeviceInfo"}},
            {"QToolBar", {"toolBar"}},
            {"QStatusBar", {"statusbar"}},
            {"QStackedWidget", {"stackedWidget", "stackedWidget_Live"}},
            {"SwitchButton", {"switchButton"}},
            {"QGroupBox", {"GroupBox_Comparison", "groupBox_Remark"}},
            {"QDoubleSpinBox", {"doubleSpinBox_ComparisonValue"}},
            {"QSpinBox", {"spinBox_TestingTimeValue"}},
            {"QComboBox", {"comboBox_ComparisonUnitValue", "comboBox_CurrentSettingValue"}},
            {"QPushButton",
             {"pushButton_UpdatePara", "pushButton_Test", "pushButton_delete", "pushButton_save",
              "pushButton_clear"}},
            {"QLabel",
             {"label_Comparison", "label_CurrentSetting", "label_TestingTime", "label_TestStatus",
              "label_TestingResValue", "label_ComparativeReslutValue", "label_OverTemp",
              "label_StoreNumber", "label_StoreNumberValue", "label_TestingCurrent",
              "label_TestingCurrentValue", "label_TimeLeft", "label_TimeLeftValue"}},
            {"QTextEdit", {"textEdit_Remark"}},
            {"QTableView", {"tableView_LiveRecord", "tableView_Storage"}},
            {"QProgressBar", {"progressBar"}},
        };
        for (const auto& group : objects)
            for (const QString& name : group.second)
                QTest::newRow(qPrintable(name)) << name << QString::fromLatin1(group.first);
    }

    void everyNamedObjectHasItsClass()
    {
        QFETCH(QString, name);
        QFETCH(QString, className);
        ProbeWindow window;
        const QList<QObject*> found = window.findChildren<QObject*>(name);
        QCOMPARE(found.size(), 1);
        QCOMPARE(QString::fromLatin1(found.first()->metaObject()->className()), className);
    }

    // Emits each signal a probe slot names (on_<object>_<signal>) and expects exactly that
    // slot to run once: a renamed object or a changed signal breaks the automatic link.
    void bynameSlotsReachTheirWidgets()
    {
        ProbeWindow window;
        const QMetaObject* meta = window.metaObject();
        QCOMPARE(meta->methodCount() - meta->methodOffset(), 19);
        for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
            const QString slot = QString::fromLatin1(meta->method(i).name());
            const int cut = slot.lastIndexOf(QLatin1Char('_'));
            QObject* source = window.findChild<QObject*>(slot.mid(3, cut - 3));
            QVERIFY2(source, qPrintable(slot));
            const QByteArray signal = slot.mid(cut + 1).toLatin1();
            window.calls.clear();
            if (meta->method(i).parameterCount() == 0)
                QVERIFY(QMetaObject::invokeMethod(source, signal));
            else
                QVERIFY(QMetaObject::invokeMethod(source, signal, Q_ARG(int, 1)));
            QVERIFY2(window.calls == QStringList{slot}, qPrintable(slot));
        }
    }
};

QTEST_MAIN(TestMainForm)
#include "tst_mainform.moc"
