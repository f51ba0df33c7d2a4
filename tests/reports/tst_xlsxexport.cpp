// Record tables exported to workbooks, read back with openpyxl as a
// spreadsheet user's tools would read them; saves that fail must say so and
// leave an earlier file as it was.
#include "Workbook.h"
#include "XlsxExport.h"

#include <QDir>
#include <QJsonArray>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

using Rows = QVector<QStringList>;

namespace {

const QStringList kLiveHeaders{"序号",     "记录时间", "测试时间", "电流设置", "测试电流",
                               "测试电阻", "比较值",   "比较结果", "备注"};
const QStringList kStorageHeaders{"存储编号", "记录时间", "测试时间", "测试电流",
                                  "测试电阻", "比较值",   "比较结果"};

// Rows given as an empty list have no items at all, as the stored-data table
// has for groups that were not read.
void fill(QStandardItemModel& model, const QStringList& headers, const Rows& rows)
{
    model.setColumnCount(headers.size());
    model.setRowCount(rows.size());
    model.setHorizontalHeaderLabels(headers);
    for (int r = 0; r < rows.size(); ++r) {
        for (int c = 0; c < rows[r].size(); ++c)
            model.setItem(r, c, new QStandardItem(rows[r][c]));
    }
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QStringList listing(const QString& dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}
} // namespace

class TestXlsxExport : public QObject
{
    Q_OBJECT

private slots:
    void tableReadsBack_data()
    {
        QTest::addColumn<QStringList>("headers");
        QTest::addColumn<Rows>("cells");
        QTest::addColumn<Rows>("sheet"); // the expected cells below the header row

        // A NUL and a control character from the instrument's fill bytes
        // cannot be held by the file: they are left out, the rest is kept.
        const QString nulFill = QStringLiteral("12.34") + QChar(0) + QChar(0) + QChar(0x1f);
        const Rows live{
            {"1", "2024-01-31 15:45:02", "60S", "100A", "99.8A", "123.45 μΩ", "150.00μΩ", "合格",
             "母线A相\n接头复测"},
            {"2", "2024-01-31 15:47:10", "5S", "200A", "200.1A", nulFill + " mΩ", "", "不合格", ""},
            {"3", "2024-01-31 15:49:00", "0S", "5A", "4.9A", "OL", "", "", "第一行\n\n第三行"}};
        Rows liveSheet = live;
        liveSheet[1][5] = QStringLiteral("12.34 mΩ");
        QTest::newRow("live table") << kLiveHeaders << live << liveSheet;

        const QStringList group{"001", "24-01-31 15:45", "60", "100A", "0.123mΩ", "", "合格"};
        QTest::newRow("stored groups, some never read")
            << kStorageHeaders << Rows{group, {}, group, {}, {}} << Rows{group, {}, group, {}, {}};
    }
    void tableReadsBack()
    {
        QFETCH(QStringList, headers);
        QFETCH(Rows, cells);
        QFETCH(Rows, sheet);
        QStandardItemModel model;
        fill(model, headers, cells);
        // Over an earlier file, whose mode the operator had narrowed.
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("table.xlsx"));
        QVERIFY(writeFile(file, "an earlier export"));
        const QFile::Permissions mode = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
        QVERIFY(QFile::setPermissions(file, mode));
        QString error;
        QVERIFY2(xlsxexport::exportTable(model, file, &error), qPrintable(error));
        QCOMPARE(QFile::permissions(file) & QFile::Permissions(0x7077), mode);

        const QJsonObject book = readWorkbook(file);
        QCOMPARE(book.value("sheets").toArray().size(), 1);
        // Every value is text, never a number; rows without data are still
        // there as empty cells, so sheet rows match table rows.
        QJsonArray expected{QJsonArray::fromStringList(headers)};
        for (const QStringList& cellsOfRow : sheet) {
            QJsonArray row;
            for (int c = 0; c < headers.size(); ++c)
                row << (cellsOfRow.value(c).isEmpty() ? QJsonValue() : cellsOfRow.value(c));
            expected << row;
        }
        const QJsonArray rows = book.value("rows").toArray();
        QVERIFY2(rows == expected, QJsonDocument(rows).toJson().constData());
        // Wrapped, so that a note of several lines shows them all.
        QCOMPARE(book.value("formats").toArray(), QJsonArray{"center/center/wrap"});

        // The plain-text entry writes the same workbook.
        const QString plainFile = dir.filePath(QStringLiteral("plain.xlsx"));
        QVERIFY2(xlsxexport::exportTable(headers, cells, plainFile, &error), qPrintable(error));
        QCOMPARE(readWorkbook(plainFile), book);
        QCOMPARE(listing(dir.path()), (QStringList{"plain.xlsx", "table.xlsx"}));
    }

    void failedSaveKeepsEarlierFile_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("earlierFile");
        // Each really fails when run as root, where permission bits stop nothing.
        QTest::newRow("folder missing") << "missing/data.xlsx" << false;
        QTest::newRow("target is a folder") << "folder.xlsx" << false;
        QTest::newRow("disk full") << "full.xlsx" << true;
        QTest::newRow("cell too long") << "long.xlsx" << true;
    }
    void failedSaveKeepsEarlierFile()
    {
        QFETCH(QString, target);
        QFETCH(bool, earlierFile);
        const QString tag = QString::fromLatin1(QTest::currentDataTag());
        QTemporaryDir dir;
        const QString file = dir.filePath(target);

        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("folder.xlsx/inside")));
        const QByteArray earlier("PK an earlier workbook");
        if (earlierFile)
            QVERIFY(writeFile(file, earlier));
        const QStringList before = listing(dir.path());
        const int descriptors = listing(QStringLiteral("/proc/self/fd")).size();

        Rows rows(3000, QStringList{"2024-01-31 15:45:02", "123.45 μΩ", "母线A相 接头复测"});
        if (tag == QLatin1String("cell too long"))
            rows[1500][2] = QString(40000, QChar('x'));

        // A full disk, as the writer meets it: writes beyond a size fail.
        rlimit saved{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        const bool limitSize = tag == QLatin1String("disk full");
        if (limitSize) {
            std::signal(SIGXFSZ, SIG_IGN);
            rlimit small = saved;
            small.rlim_cur = 16 * 1024;
            QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        }
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("not saved"));
        QString error;
        const bool ok = xlsxexport::exportTable(kLiveHeaders, rows, file, &error);
        if (limitSize) {
            setrlimit(RLIMIT_FSIZE, &saved);
            std::signal(SIGXFSZ, SIG_DFL);
        }

        QVERIFY(!ok);
        QVERIFY(!error.isEmpty());
        qInfo().noquote() << "reason:" << error;
        QCOMPARE(listing(dir.path()), before); // no temporary left behind
        QCOMPARE(listing(QStringLiteral("/proc/self/fd")).size(), descriptors);
        QFile kept(file);
        QCOMPARE(kept.open(QIODevice::ReadOnly) ? kept.readAll() : QByteArray(),
                 earlierFile ? earlier : QByteArray());
        QCOMPARE(listing(dir.filePath(QStringLiteral("folder.xlsx"))), QStringList{"inside"});
    }
};

QTEST_GUILESS_MAIN(TestXlsxExport)
#include "tst_xlsxexport.moc"
