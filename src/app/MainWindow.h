#pragma once

#include "Journal.h"
#include "PdfSettingData.h"
#include "Records.h"

#include <QActionGroup>
#include <QByteArray>
#include <QFont>
#include <QHash>
#include <QList>
#include <QMainWindow>
#include <QMessageBox>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QTranslator>
#include <QVector>

#include <functional>

class DeviceManager;
class HistoryWindow;
class Journal;
class ParseData;
class HotplugMonitor;
struct LiveSnapshot;
class QAbstractItemModel;
class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QModelIndex;
class QStandardItemModel;
class QTableView;
class QThread;
class QTimeLine;
class QTimer;

namespace Ui {
class MainWindow;
}

// The controller: owns the form, the two workers and their threads, and turns
// the operator's actions and the instrument's replies into each other.
// Split over several source files by concern (core and wiring, connection,
// live page).
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // A note the title carries after the program's name (a source text of
    // this class's translation context, translated with the rest).
    void setTitleNote(const char* sourceText);

signals:
    void detectDeviceSignal();
    void connectUsbSignal(QString devicePath);
    void disConnectSignal();
    void startReadStoreTotalNum();
    void startReadReadBackData();
    void stopCirculationSignal(bool stop);
    void startTestingSignal();
    void stopTestingSignal();
    void updateTestSettingSignal(QByteArray data);
    void updateSwitchStatusSignal(bool checked);
    void getSystemInfoSignal();
    void sendSystemInfoSignal(DeviceInfo info);

private slots:
    void detectedDeviceSlot(QStringList paths);
    void on_actionConnect_triggered();
    void usbStatus(bool isConnected, QString devicePath);
    void upperSwitchOnSlot();
    void onSystemInfoSlot(DeviceInfo info);
    void showRealTimeData(ReceiveLiveData rld);
    void on_actionImport_storage_triggered();
    void on_actionExportToExcel_triggered();
    void showReadBackStorageNum(int totalNum);
    void showReadBackData(ReceiveStorageData rsd, int readedNum);
    void on_pushButton_delete_clicked();
    void on_pushButton_save_clicked();
    void on_pushButton_clear_clicked();
    void on_stackedWidget_currentChanged(int arg1);
    void on_actionLiveTestView_triggered();
    void on_actionStorageView_triggered();
    void on_actionSample_interval_triggered();
    void sampleIntervalSlot(int interval);
    void on_actionExportToPDF_triggered();
    void pdfSettingSlot(PdfSettingData pdfS);
    void on_pushButton_Test_clicked();
    void stateProcessingSlot(QString logMessage, int errorType);
    void on_pushButton_UpdatePara_clicked();
    void onSwitchButtonStatusChanged(bool checked);
    void onSwitchButtonStatusChangedMouse(bool checked);
    void on_doubleSpinBox_ComparisonValue_editingFinished();
    void on_spinBox_TestingTimeValue_editingFinished();
    void on_comboBox_ComparisonUnitValue_activated(int index);
    void on_comboBox_CurrentSettingValue_activated(int index);
    void on_actionDeviceInfo_triggered();

    // Hot-plug reactions (the platform's monitor reports; see HotplugMonitor).
    void deviceArrivedSlot();
    void deviceRemovedSlot(const QString& path);

    // What the operator is told when connecting fails, and what tells
    // several instruments apart.
    void detectedDeviceDetailsSlot(QStringList paths, QStringList usbPorts, QStringList serials);
    void openFailedSlot(QString devicePath, int errorNumber);
    // A live reply or frame was dropped as not a valid reading.
    void liveReadingRejectedSlot();

protected:
    void closeEvent(QCloseEvent* e) override;
#ifdef Q_OS_WIN
    bool nativeEvent(const QByteArray& eventType, void* message, long* result) override;
#endif

    // Language switching (MainWindowLanguage.cpp): the Language menu, the
    // catalogues it installs, and every text set again in the new language.
protected slots:
    void slotLanguageChanged(QAction* action);

protected:
    void changeEvent(QEvent* e) override;

private:
    void createLanguageMenu();
    void applyLanguage(const QString& code);
    // The language the operator chose last ("zh" before any choice).
    static QString rememberedLanguage();
    void installCatalogue(QTranslator& translator, const QString& fileName);
    void installToolkitCatalogue(const QString& code);
    // What a language change does to the window; the record tables keep their rows.
    void reapplyTexts();

private:
    // Action groups and control groups switched together.
    void setLivePageActionsEnabled(bool on);
    void setStorageActionsEnabled(bool on);
    void setViewActionsEnabled(bool on);
    void setLanguageActionsEnabled(bool on);
    void setSettingControlsEnabled(bool on);
    void setComparisonEditEnabled(bool on);
    void lockForAutoTest();
    // Delete, save and clear of the live record table.
    void setRecordButtonsEnabled(bool on);
    void startLivePolling();
    void lockSettingControls();
    void resetLiveDisplay();
    void resetToDisconnected();
    void registerDeviceNotification();
    void initUi();
    void makeConnections();
    void startThreadIfIdle(QThread* thread);
    void dropConnection();
    void fitToScreen();

    // Stored-data page and exports.
    // Ends the read-back: rows no record filled are marked, and what was
    // read (and why it ended early, when why is given) is shown until the
    // next import.
    void endReadBack(const QString& why = QString());
    // The link worker's group loop reported its end.
    void readBackLoopEnded();
    bool storageRowRead(int row) const;
    void showReadBackOutcome();
    // Runs `then` on this thread once everything handed to the decoding
    // worker so far has come back from it.
    void afterDecoding(const std::function<void()>& then);
    void exportToExcel(QAbstractItemModel* model);
    // Says where a file was written, opening it when the desktop can.
    void showWrittenFile(const QString& path);
    // The notice of a file that could not be written.
    QString saveFailure(const QString& reason) const;
    // The live table was exported: its records count as saved.
    void liveRecordsExported();
    LiveSnapshot liveSnapshot() const;

    // The measurement journal: every live record on disk the moment it is
    // shown, offered back after a crash, asked about before closing.
    void openJournal();
    void offerJournalRestore();
    qint64 journalRecord(const QStringList& cells, const QDateTime& time);
    void journalRemove(const QVector<qint64>& ids, const QHash<qint64, QString>& renumbered);
    void journalClear();
    void journalProblem(const QString& message);
    // False when the operator chose to stay (cancelled, or the export failed).
    bool mayCloseWithRecords();
    // Before records leave the live table unexported: export first, go on
    // anyway, or cancel. Save means exported; a failed export answers Cancel;
    // NoButton: nothing to ask.
    QMessageBox::StandardButton askAboutUnexported(const QString& title, const QString& question,
                                                   const QString& goOn);
    void liveRemarkEdited(const QModelIndex& index, const QString& text);

    // Live page.
    void startTest();
    void appendLiveRecord();
    void addLiveRow(const QStringList& cells, qint64 journalId);
    // Numbers the rows 1, 2, 3 ... and the journal follows.
    void renumberLiveRows();
    void setUpRemarkColumn();
    void deleteSelectedRows(QTableView* view);
    void sendSettingFrame(const QByteArray& frame);
    void logFrame(const QByteArray& frame);
    void fillComparisonUnits();
    void sendComparisonSetting(int unitIndex);
    void showComparativeResult(const ReceiveLiveData& rld);
    void showOverTemperature(bool on);

    Ui::MainWindow* ui = nullptr;

    QString devicePath;
    DeviceManager* deviceManager = nullptr;
    ParseData* parseData = nullptr;
    QThread* deviceThread = nullptr;
    QThread* parseThread = nullptr;
    QTimer* liveTimer = nullptr;
    QStandardItemModel* liveRecordModel = nullptr;
    QStandardItemModel* storageModel = nullptr;
    QWidget* autoTestWindow = nullptr;
    QTimeLine* autoTestTimeLine = nullptr;
    QActionGroup* languageGroup = nullptr;
    QList<QAction*> languageActions;
    QTranslator appTranslator;
    QTranslator qtTranslator;
    QString currentLanguage = QStringLiteral("zh");
    QString languagePath;
    bool isEnglish = false;
    bool isConnected = false;
    DeviceInfo deviceInfo;
    int sampleInterval = 500;
    int autoTestInterval = 10;
    int autoTestCount = 1;
    int autoTestDone = 0;
    bool autoTestActive = false;
    bool autoTestWaiting = false;
    int storageTotal = 0;
    bool storageReading = false;
    // Each import is a run of its own; reports of an earlier run are ignored.
    int readBackRun = 0;
    bool readBackLoopStarted = false; // the current run's groups are being asked for
    QString readBackEnding;           // why the last read-back ended early
    bool testRunning = false;
    int previousTestState = 0;
    bool editingSettings = false;
    bool comparisonOn = false;
    QString comparisonValueText;
    int comparisonUnitIndex = -1;

    // The instrument was opened and its first reply is awaited; a reply that
    // arrives while neither this nor isConnected holds is a leftover of a
    // link already declared lost and is ignored.
    bool connectionPending = false;
    // Why the last open failed, shown instead of the bare "not connected".
    QString openFailure;
    // USB port and serial of each instrument found, for the selection dialog.
    QHash<QString, QPair<QString, QString>> deviceDetails;
    // Live replies dropped in a row; from kRejectedReadingsLimit on the
    // display is blank until a good reading arrives.
    int rejectedReadings = 0;
    bool liveDisplayBlanked = false;
    QString overTemperaturePicture; // the picture label_OverTemp shows
    const char* titleNote = nullptr;

    Journal* journal = nullptr;
    // The live table holds records that were never exported.
    bool liveRecordsUnsaved = false;
    // Where a live row keeps its journal id (on its first cell).
    static constexpr int kJournalIdRole = Qt::UserRole + 1;
    static constexpr int kRemarkColumn = 8;

    // The header texts of the last PDF report (its layout and fonts belong
    // to the report itself).
    PdfSettingData pdfSetting;

    HotplugMonitor* hotplug = nullptr;

    // --- Automatic runs (MainWindowAuto.cpp) ---------------------------------
private slots:
    void on_actionAutomatic_measurement_triggered();
    void startAutoTestSlot(int count, int intervalMs);
    void autoMeasurement();
    void stopAutoTest();

private:
    QWidget* buildAutoTestWindow();
    // Steps of showRealTimeData: a reading shows a test running, and a
    // reading shows that a test has just ended (after its row was appended).
    void autoTestTestRunning();
    void autoTestTestEnded();
    void showAutoTestCountdown(int frame, QLabel* progress, QLabel* countdown);
    void autoTestPauseEnded(QLabel* countdown);
    // Step of resetToDisconnected: the run is over.
    void endAutoTestOnDisconnection();
    void closeAutoTestRun();
    // Why the window's controls are locked during a run.
    void showAutoTestLockNotice();

    // --- What was measured, and its history (MainWindowHistory.cpp) ---------
private:
    void setUpHistory();
    void retranslateHistory();
    void openHistory();
    // The object and point typed beside the remark, cleaned as stored.
    Journal::Subject currentSubject() const;
    // The same as the last two cells of a live row.
    QStringList subjectCells() const;

    QLabel* objectLabel = nullptr;
    QComboBox* objectBox = nullptr;
    QLabel* pointLabel = nullptr;
    QLineEdit* pointEdit = nullptr;
    QAction* actionHistory = nullptr;
    HistoryWindow* historyWindow = nullptr;

    // The controller's tests inspect its state and feed it records directly.
    friend class WindowHarness;
    friend class TestMainWindow;
    friend class TestStoragePage;
    friend class TestWindowJournal;
    friend class TestAutoTest;
    friend class TestLanguage;
    friend class TestBadFiles;
    friend class TestHistory;
};
