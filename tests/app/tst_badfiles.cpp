// Exports (workbook and report) into a folder nobody can write or onto a full
// disk fail, say so, and lose nothing. Both are real file systems (tmpfs), so
// even root cannot write there.
#include "JournalFiles.h"
#include "MainWindow.h"
#include "Prompts.h"
#include "ui_mainwindow.h"

#include <QFile>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/mount.h>

#include <cerrno>
#include <cstring>

namespace {

// A 256 KiB tmpfs on `dir`, unmounted when it goes. Mounting needs root (as CI
// runs) and a kernel that allows it.
struct SmallDisk
{
    explicit SmallDisk(const QByteArray& dir) : where(dir)
    {
        mounted = ::mount("tmpfs", where.constData(), "tmpfs", 0, "size=256k") == 0;
    }
    ~SmallDisk()
    {
        if (mounted)
            ::umount(where.constData());
    }
    bool makeReadOnly() const // the files stay
    {
        return ::mount(nullptr, where.constData(), nullptr, MS_REMOUNT | MS_RDONLY, "size=256k") ==
               0;
    }
    QByteArray where;
    bool mounted = false;
};

bool write(const QString& path, const QByteArray& bytes, bool untilFull = false)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        return false;
    while (untilFull && f.write(QByteArray(4096, 'x')) > 0) {
    }
    return true;
}

} // namespace

class TestBadFiles : public QObject
{
    Q_OBJECT

    QStringList notices;
    QString saveTo;

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        registerLinkMetaTypes();
        removeJournalFiles();
        prompts::setHandler([this](QWidget*, QMessageBox::Icon, const QString& title,
                                   const QString& text) { notices << title + '|' + text; });
        prompts::setSaveFileHandler(
            [this](QWidget*, const QString&, const QString&, const QString&) { return saveTo; });
        prompts::setOpenFileHandler([](const QString&) { return true; });
    }

    void exportsToUnwritablePlaces_data()
    {
        QTest::addColumn<bool>("readOnly");
        QTest::newRow("read-only folder") << true;
        QTest::newRow("full disk") << false;
    }
    void exportsToUnwritablePlaces()
    {
        QFETCH(bool, readOnly);
        notices.clear();
        MainWindow w;
        QTemporaryDir dir;
        SmallDisk disk(dir.path().toLocal8Bit());
        if (!disk.mounted)
            QSKIP(qPrintable(QStringLiteral("cannot mount a tmpfs here: ") +
                             QString::fromLocal8Bit(std::strerror(errno))));
        // An earlier workbook on the disk before it became read-only or full.
        const QString earlier = dir.filePath(QStringLiteral("records.xlsx"));
        QVERIFY(write(earlier, "an earlier workbook"));
        QVERIFY(readOnly ? disk.makeReadOnly()
                         : write(dir.filePath(QStringLiteral("filler")), {}, true));

        for (int r = 0; r < 200; ++r) {
            QList<QStandardItem*> row;
            for (int c = 0; c < 9; ++c)
                row << new QStandardItem(QStringLiteral("记录 %1 单元 %2").arg(r).arg(c));
            w.liveRecordModel->appendRow(row);
        }
        saveTo = earlier;
        w.ui->pushButton_save->click();
        saveTo = dir.filePath(QStringLiteral("report.pdf"));
        w.pdfSettingSlot(PdfSettingData());
        QCOMPARE(notices.size(), 2);
        QVERIFY(notices.first().startsWith(QStringLiteral("保存Excel文件|保存失败\n")));
        QVERIFY(notices.last().startsWith(QStringLiteral("保存PDF文件|保存失败\n")));

        QFile kept(earlier);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("an earlier workbook"));
        QCOMPARE(w.liveRecordModel->rowCount(), 200);
        // No temporary or half-written report left behind.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 (readOnly ? QStringList{"records.xlsx"} : QStringList{"filler", "records.xlsx"}));
    }
};

QTEST_MAIN(TestBadFiles)
#include "tst_badfiles.moc"
