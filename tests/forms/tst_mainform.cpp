// The main window's form as the controller relies on it: every object it
// addresses by name exists with the right class, the by-name slots reach their
// widgets, and the start-up state and text reset are as the controller expects.
#include "SwitchButton.h"
#include "ui_mainwindow.h"

#include <QSignalSpy>
#include <QtTest>

// A window with one counting slot per by-name connection the controller makes.
class ProbeWindow : public QMainWindow
{
    Q_OBJECT

public:
    ProbeWindow() { ui.setupUi(this); }

    Ui::MainWindow ui;
    QStringList calls;

private slots:
    void on_actionConnect_triggered() { calls << QStringLiteral("actionConnect"); }
    void on_actionLiveTestView_triggered() { calls << QStringLiteral("actionLiveTestView"); }
    void on_actionStorageView_triggered() { calls << QStringLiteral("actionStorageView"); }
    void on_actionImport_storage_triggered() { calls << QStringLiteral("actionImport_storage"); }
    void on_actionExportToExcel_triggered() { calls << QStringLiteral("actionExportToExcel"); }
    void on_actionExportToPDF_triggered() { calls << QStringLiteral("actionExportToPDF"); }
    void on_actionSample_interval_triggered() { calls << QStringLiteral("actionSample_interval"); }
    void on_actionAutomatic_measurement_triggered()
    {
        calls << QStringLiteral("actionAutomatic_measurement");
    }
    void on_actionDeviceInfo_triggered() { calls << QStringLiteral("actionDeviceInfo"); }
    void on_stackedWidget_currentChanged(int arg1)
    {
        calls << QStringLiteral("stackedWidget %1").arg(arg1);
    }
    void on_pushButton_UpdatePara_clicked() { calls << QStringLiteral("pushButton_UpdatePara"); }
    void on_pushButton_Test_clicked() { calls << QStringLiteral("pushButton_Test"); }
    void on_pushButton_delete_clicked() { calls << QStringLiteral("pushButton_delete"); }
    void on_pushButton_save_clicked() { calls << QStringLiteral("pushButton_save"); }
    void on_pushButton_clear_clicked() { calls << QStringLiteral("pushButton_clear"); }
    void on_doubleSpinBox_ComparisonValue_editingFinished()
    {
        calls << QStringLiteral("doubleSpinBox_ComparisonValue");
    }
    void on_spinBox_TestingTimeValue_editingFinished()
    {
        calls << QStringLiteral("spinBox_TestingTimeValue");
    }
    void on_comboBox_ComparisonUnitValue_activated(int index)
    {
        calls << QStringLiteral("comboBox_ComparisonUnitValue %1").arg(index);
    }
    void on_comboBox_CurrentSettingValue_activated(int index)
    {
        calls << QStringLiteral("comboBox_CurrentSettingValue %1").arg(index);
    }
};

class TestMainForm : public QObject
{
    Q_OBJECT

    static QStringList actionNames(const QWidget* widget)
    {
        QStringList names;
        for (const QAction* action : widget->actions()) {
            if (action->isSeparator())
                names << QStringLiteral("|");
            else if (action->menu())
                names << action->menu()->objectName();
            else
                names << action->objectName();
        }
        return names;
    }

private slots:
    void everyNamedObjectHasItsClass_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("className");
        const QList<QPair<const char*, const char*>> objects{
            {"actionConnect", "QAction"},
            {"actionLiveTestView", "QAction"},
            {"actionStorageView", "QAction"},
            {"actionImport_storage", "QAction"},
            {"actionSample_interval", "QAction"},
            {"actionAutomatic_measurement", "QAction"},
            {"actionExportToExcel", "QAction"},
            {"actionExportToPDF", "QAction"},
            {"actionDeviceInfo", "QAction"},
            {"menubar", "QMenuBar"},
            {"menu_Device", "QMenu"},
            {"menu_Live", "QMenu"},
            {"menu_Storage", "QMenu"},
            {"menu_View", "QMenu"},
            {"menu_Setting", "QMenu"},
            {"menuLanguage", "QMenu"},
            {"toolBar", "QToolBar"},
            {"statusbar", "QStatusBar"},
            {"centralwidget", "QWidget"},
            {"stackedWidget", "QStackedWidget"},
            {"page", "QWidget"},
            {"page_2", "QWidget"},
            {"stackedWidget_Live", "QStackedWidget"},
            {"Page1", "QWidget"},
            {"page_3", "QWidget"},
            {"label_Comparison", "QLabel"},
            {"switchButton", "SwitchButton"},
            {"GroupBox_Comparison", "QGroupBox"},
            {"doubleSpinBox_ComparisonValue", "QDoubleSpinBox"},
            {"comboBox_ComparisonUnitValue", "QComboBox"},
            {"label_CurrentSetting", "QLabel"},
            {"comboBox_CurrentSettingValue", "QComboBox"},
            {"label_TestingTime", "QLabel"},
            {"spinBox_TestingTimeValue", "QSpinBox"},
            {"pushButton_UpdatePara", "QPushButton"},
            {"pushButton_Test", "QPushButton"},
            {"label_TestStatus", "QLabel"},
            {"label_TestingResValue", "QLabel"},
            {"label_ComparativeReslutValue", "QLabel"},
            {"label_OverTemp", "QLabel"},
            {"label_StoreNumber", "QLabel"},
            {"label_StoreNumberValue", "QLabel"},
            {"label_TestingCurrent", "QLabel"},
            {"label_TestingCurrentValue", "QLabel"},
            {"label_TimeLeft", "QLabel"},
            {"label_TimeLeftValue", "QLabel"},
            {"groupBox_Remark", "QGroupBox"},
            {"textEdit_Remark", "QTextEdit"},
            {"label", "QLabel"},
            {"pushButton_delete", "QPushButton"},
            {"pushButton_save", "QPushButton"},
            {"pushButton_clear", "QPushButton"},
            {"tableView_LiveRecord", "QTableView"},
            {"tableView_Storage", "QTableView"},
            {"progressBar", "QProgressBar"},
        };
        for (const auto& object : objects)
            QTest::newRow(object.first)
                << QString::fromLatin1(object.first) << QString::fromLatin1(object.second);
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

    void bynameSlotsReachTheirWidgets()
    {
        ProbeWindow window;
        Ui::MainWindow& ui = window.ui;
        for (QAction* action :
             {ui.actionConnect, ui.actionLiveTestView, ui.actionStorageView,
              ui.actionImport_storage, ui.actionExportToExcel, ui.actionExportToPDF,
              ui.actionSample_interval, ui.actionAutomatic_measurement, ui.actionDeviceInfo})
            action->trigger();
        ui.stackedWidget->setCurrentIndex(1);
        for (QPushButton* button : {ui.pushButton_UpdatePara, ui.pushButton_Test,
                                    ui.pushButton_delete, ui.pushButton_save, ui.pushButton_clear})
            button->click();
        emit ui.doubleSpinBox_ComparisonValue->editingFinished();
        emit ui.spinBox_TestingTimeValue->editingFinished();
        emit ui.comboBox_ComparisonUnitValue->activated(1);
        emit ui.comboBox_CurrentSettingValue->activated(3);

        QCOMPARE(
            window.calls,
            (QStringList{"actionConnect", "actionLiveTestView", "actionStorageView",
                         "actionImport_storage", "actionExportToExcel", "actionExportToPDF",
                         "actionSample_interval", "actionAutomatic_measurement", "actionDeviceInfo",
                         "stackedWidget 1", "pushButton_UpdatePara", "pushButton_Test",
                         "pushButton_delete", "pushButton_save", "pushButton_clear",
                         "doubleSpinBox_ComparisonValue", "spinBox_TestingTimeValue",
                         "comboBox_ComparisonUnitValue 1", "comboBox_CurrentSettingValue 3"}));
    }

    void menusAndToolBarHoldTheirEntriesInOrder()
    {
        ProbeWindow window;
        Ui::MainWindow& ui = window.ui;
        QCOMPARE(actionNames(ui.menubar),
                 (QStringList{"menu_Device", "menu_View", "menu_Setting"}));
        QCOMPARE(actionNames(ui.menu_Device),
                 (QStringList{"actionConnect", "menu_Live", "menu_Storage", "actionDeviceInfo"}));
        QCOMPARE(actionNames(ui.menu_Live),
                 (QStringList{"actionAutomatic_measurement", "actionExportToPDF"}));
        QCOMPARE(actionNames(ui.menu_Storage),
                 (QStringList{"actionImport_storage", "actionExportToExcel"}));
        QCOMPARE(actionNames(ui.menu_View),
                 (QStringList{"actionLiveTestView", "actionStorageView"}));
        QCOMPARE(actionNames(ui.menu_Setting),
                 (QStringList{"menuLanguage", "actionSample_interval"}));
        QVERIFY(ui.menuLanguage->actions().isEmpty());
        QCOMPARE(
            actionNames(ui.toolBar),
            (QStringList{"actionConnect", "|", "actionAutomatic_measurement", "actionExportToPDF",
                         "|", "actionImport_storage", "actionExportToExcel"}));
        QCOMPARE(window.toolBarArea(ui.toolBar), Qt::TopToolBarArea);
        QVERIFY(ui.actionLiveTestView->isCheckable());
        QVERIFY(ui.actionStorageView->isCheckable());
        QVERIFY(!ui.actionConnect->isCheckable());
    }

    void startsOnTheLivePageWithTheControllersInitialValues()
    {
        ProbeWindow window;
        Ui::MainWindow& ui = window.ui;
        QCOMPARE(ui.stackedWidget->currentWidget(), ui.page);
        QCOMPARE(ui.stackedWidget->widget(1), ui.page_2);
        QCOMPARE(ui.stackedWidget_Live->currentWidget(), ui.page_3);
        QCOMPARE(ui.stackedWidget_Live->widget(0), ui.Page1);

        // 9 is one below the tool tip's range: the controller writes it when no
        // test time is known.
        QCOMPARE(ui.spinBox_TestingTimeValue->minimum(), 9);
        QCOMPARE(ui.spinBox_TestingTimeValue->maximum(), 60);
        QCOMPARE(ui.spinBox_TestingTimeValue->value(), 9);
        QCOMPARE(ui.spinBox_TestingTimeValue->suffix(), QStringLiteral("S"));
        QCOMPARE(ui.doubleSpinBox_ComparisonValue->decimals(), 4);
        QCOMPARE(ui.doubleSpinBox_ComparisonValue->value(), 0.0);
        QCOMPARE(ui.doubleSpinBox_ComparisonValue->maximum(), 9999.9);
        QCOMPARE(ui.doubleSpinBox_ComparisonValue->singleStep(), 0.1);
        QCOMPARE(ui.progressBar->value(), 24);
        QCOMPARE(ui.comboBox_ComparisonUnitValue->count(), 0);
        QCOMPARE(ui.comboBox_CurrentSettingValue->count(), 0);
        QVERIFY(!ui.tableView_LiveRecord->model());
        QVERIFY(!ui.tableView_Storage->model());
        QVERIFY(ui.tableView_Storage->verticalHeader()->isHidden());
        QCOMPARE(ui.switchButton->minimumWidth(), 111);
        QVERIFY(!ui.switchButton->getChecked());
    }

    void textsCanBeSetAgainAndRestoreThePlaceholders()
    {
        ProbeWindow window;
        Ui::MainWindow& ui = window.ui;
        ui.label_Comparison->setText(QStringLiteral("比较值"));
        ui.label_TestStatus->setText(QStringLiteral("测试中..."));
        ui.groupBox_Remark->setTitle(QStringLiteral("备注"));
        ui.actionConnect->setText(QStringLiteral("断开连接"));
        ui.comboBox_ComparisonUnitValue->setToolTip(QStringLiteral("x"));
        window.setWindowTitle(QString());

        ui.retranslateUi(&window);
        QCOMPARE(ui.label_Comparison->text(), QStringLiteral("TextLabel"));
        QCOMPARE(ui.label_TestStatus->text(), QString());
        QCOMPARE(ui.groupBox_Remark->title(), QStringLiteral("GroupBox"));
        QCOMPARE(ui.actionConnect->text(), QStringLiteral("连接"));
        QCOMPARE(ui.comboBox_ComparisonUnitValue->toolTip(), QString());
        QCOMPARE(window.windowTitle(), QStringLiteral("回路电阻测试仪"));
        QCOMPARE(ui.label->text(), QStringLiteral(" 记录"));
        QCOMPARE(ui.toolBar->windowTitle(), QStringLiteral("toolBar"));
    }
};

QTEST_MAIN(TestMainForm)
#include "tst_mainform.moc"
