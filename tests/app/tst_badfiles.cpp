// Bad input and bad places to write: settings files full of garbage, a
// read-only folder and a full disk under the exports. The program keeps
// working, says what failed and loses nothing. The read-only and full file
// systems are real ones (tmpfs), so even root cannot write there.
#include "AutoTestDialog.h"
#include "DialogSettings.h"
#include "JournalFiles.h"
#include "MainWindow.h"
#include "PdfSettingDialog.h"
#include "Prompts.h"
#include "SampleIntervalDialog.h"
#include "ui_mainwindow.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QTimeEdit>
#include <QtTest>

#include <sys/mount.h>

#include <cerrno>
#include <cstring>
#include <memory>

namespace {

// A tmpfs of `kilobytes` mounted on `dir`, read-only if asked; unmounted when
// it goes. Mounting needs root (as CI runs) and a kernel that allows it.
class SmallDisk
{
public:
    SmallDisk(const QString& dir, int kilobytes, bool readOnly) : where(dir.toLocal8Bit())
    {
        const QByteArray options = "size=" + QByteArray::number(kilobytes) + "k";
        mounted = ::mount("tmpfs", where.constData(), "tmpfs", readOnly ? MS_RDONLY : 0,
                          options.constData()) == 0;
        if (!mounted)
            why = QString::fromLocal8Bit(std::strerror(errno));
    }
    ~SmallDisk()
    {
        if (mounted)
            ::umount(where.constData());
    }
    bool mounted = false;
    QString why;

private:
    QByteArray where;
};

void fillSettingsWithGarbage(const QString& fileName)
{
    QFile file(dialogSettingsPath(fileName));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QByteArray junk(4096, '\0');
    for (char& c : junk)
        c = char(QRandomGenerator::global()->bounded(256));
    junk.prepend("[General]\ntestIntervalValue=@Variant(\\0\\xff)\ntestCountValue=-99999999999\n"
                 "sampleInterval=abc\ncompanyName=\xff\xfe\n");
    file.write(junk);
}

} // namespace

class TestBadFiles : public QObject
{
    Q_OBJECT

    std::unique_ptr<MainWindow> w;
    QStringList notices;
    QString saveTo;

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        registerLinkMetaTypes();
        prompts::setHandler([this](QWidget*, QMessageBox::Icon, const QString& title,
                                   const QString& text) { notices << title + '|' + text; });
        prompts::setSaveFileHandler(
            [this](QWidget*, const QString&, const QString&, const QString&) { return saveTo; });
        prompts::setOpenFileHandler([](const QString&) { return true; });
    }

    void init()
    {
        notices.clear();
        removeJournalFiles();
        w = std::make_unique<MainWindow>();
    }

    void cleanup() { w.reset(); }

    // Garbage in the three settings files: every dialog opens with values in
    // its ranges, and OK writes sound values back.
    void garbageSettingsFiles()
    {
        for (const char* name : {"settingsAuto.ini", "settingsSample.ini", "settingsPdf.ini"})
            fillSettingsWithGarbage(QString::fromLatin1(name));

        auto* autoTest = new AutoTestDialog(w.get());
        auto* count = autoTest->findChild<QSpinBox*>(QStringLiteral("spinBox_testCountValue"));
        auto* pause = autoTest->findChild<QTimeEdit*>(QStringLiteral("timeEdit_testIntervalValue"));
        QVERIFY(count->value() >= 2 && count->value() <= 10);
        QVERIFY(pause->time() >= QTime(0, 0, 10) && pause->time() <= QTime(0, 4, 59));
        QSignalSpy started(autoTest, &AutoTestDialog::startAutoTestSignal);
        autoTest->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        QCOMPARE(started.count(), 1);
        QVERIFY(started.first().at(1).toInt() >= 10000);

        const int interval = SampleIntervalDialog::storedInterval();
        QVERIFY(interval >= 200 && interval <= 800);

        auto* pdf = new PdfSettingDialog(w.get());
        QVERIFY(pdf->findChild<QLineEdit*>(QStringLiteral("lineEdit_Company"))->text().size() <=
                18);
        QSignalSpy header(pdf, &PdfSettingDialog::pdfSettingSignal);
        pdf->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        QCOMPARE(header.count(), 1);
    }

    // Exports (workbook and report) into a folder nobody can write (a
    // read-only file system) or onto a full disk fail, say so, and leave the
    // earlier file as it was.
    void exportsToUnwritablePlaces_data()
    {
        QTest::addColumn<bool>("readOnly");
        QTest::newRow("read-only folder") << true;
        QTest::newRow("full disk") << false;
    }
    void exportsToUnwritablePlaces()
    {
        QFETCH(bool, readOnly);
        QTemporaryDir dir;
        // An earlier workbook on the disk before it became read-only or full.
        const QByteArray earlier = "an earlier workbook";
        {
            SmallDisk disk(dir.path(), 256, false);
            if (!disk.mounted)
                QSKIP(qPrintable(QStringLiteral("cannot mount a tmpfs here: ") + disk.why));
            QFile old(dir.filePath(QStringLiteral("records.xlsx")));
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write(earlier);
            old.close();
            if (!readOnly) {
                QFile filler(dir.filePath(QStringLiteral("filler")));
                QVERIFY(filler.open(QIODevice::WriteOnly));
                while (filler.write(QByteArray(4096, 'x')) > 0) {
                }
            }
            // Keep the files while the same tmpfs is mounted again read-only.
            if (readOnly)
                QVERIFY(::mount(nullptr, dir.path().toLocal8Bit().constData(), nullptr,
                                MS_REMOUNT | MS_RDONLY, "size=256k") == 0);

            for (int r = 0; r < 200; ++r) {
                QList<QStandardItem*> row;
                for (int c = 0; c < 9; ++c)
                    row << new QStandardItem(QStringLiteral("记录 %1 单元 %2").arg(r).arg(c));
                w->liveRecordModel->appendRow(row);
            }
            saveTo = dir.filePath(QStringLiteral("records.xlsx"));
            w->ui->pushButton_save->click();
            QCOMPARE(notices.size(), 1);
            QVERIFY(notices.first().startsWith(QStringLiteral("保存Excel文件|保存失败\n")));

            // The PDF report of the same records fails the same way.
            saveTo = dir.filePath(QStringLiteral("report.pdf"));
            w->pdfSettingSlot(PdfSettingData());
            QCOMPARE(notices.size(), 2);
            QVERIFY(notices.last().startsWith(QStringLiteral("保存PDF文件|保存失败\n")));
            QVERIFY(!QFile::exists(saveTo));

            QFile kept(dir.filePath(QStringLiteral("records.xlsx")));
            QVERIFY(kept.open(QIODevice::ReadOnly));
            QCOMPARE(kept.readAll(), earlier);
            QCOMPARE(w->liveRecordModel->rowCount(), 200);
            QStringList leftovers = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
            leftovers.removeAll(QStringLiteral("records.xlsx"));
            leftovers.removeAll(QStringLiteral("filler"));
            QVERIFY2(leftovers.isEmpty(), qPrintable(leftovers.join(' ')));
        }
    }
};

QTEST_MAIN(TestBadFiles)
#include "tst_badfiles.moc"
