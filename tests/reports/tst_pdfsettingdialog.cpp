// The PDF settings dialog: what it remembers, what it limits, what it sends.
#include "DialogSettings.h"
#include "PdfSettingDialog.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

namespace {

const QString settingsFile = QStringLiteral("settingsPdf.ini");

QLineEdit* edit(QDialog* dialog, const char* name)
{
    return dialog->findChild<QLineEdit*>(QLatin1String(name));
}

void pressOk(QDialog* dialog)
{
    QPointer<QDialog> guard = dialog;
    dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    QTRY_VERIFY(guard.isNull());
}

PdfSettingData sent(const QSignalSpy& spy)
{
    return spy.isEmpty() ? PdfSettingData() : spy.first().first().value<PdfSettingData>();
}

} // namespace

class TestPdfSettingDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        qRegisterMetaType<PdfSettingData>();
    }

    void init() { QFile::remove(dialogSettingsPath(settingsFile)); }

    void chineseTextsComeBackAfterOk()
    {
        const QStringList texts{"华东电力检修公司", "张伟",  "021-5555 1234",    "回路电阻测试仪",
                                "RV718A",           "V1.02", "2号主变 “高压侧”", "变电站，户外"};
        const char* names[] = {"lineEdit_Company",     "lineEdit_UserName",
                               "lineEdit_Contact",     "lineEdit_TesterName",
                               "lineEdit_TesterModel", "lineEdit_TesterVersion",
                               "lineEdit_TestObjName", "lineEdit_Scene"};
        auto* dialog = new PdfSettingDialog;
        for (int i = 0; i < 8; ++i)
            edit(dialog, names[i])->setText(texts.at(i));
        QSignalSpy spy(dialog, &PdfSettingDialog::pdfSettingSignal);
        pressOk(dialog);
        QCOMPARE(spy.count(), 1);
        const PdfSettingData d = sent(spy);
        QCOMPARE(QStringList({d.companyName, d.userName, d.contact, d.testerName, d.testerModel,
                              d.testerVersion, d.testObjName, d.scene}),
                 texts);

        auto* again = new PdfSettingDialog;
        for (int i = 0; i < 8; ++i)
            QCOMPARE(edit(again, names[i])->text(), texts.at(i));
        delete again;
    }

    void lengthsAreLimitedAndSaid_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("maximum");
        QTest::newRow("company") << "lineEdit_Company" << 18;
        QTest::newRow("user") << "lineEdit_UserName" << 15;
        QTest::newRow("contact") << "lineEdit_Contact" << 15;
        QTest::newRow("tester name") << "lineEdit_TesterName" << 25;
        QTest::newRow("tester model") << "lineEdit_TesterModel" << 15;
        QTest::newRow("tester version") << "lineEdit_TesterVersion" << 15;
        QTest::newRow("object") << "lineEdit_TestObjName" << 40;
        QTest::newRow("scene") << "lineEdit_Scene" << 40;
    }
    void lengthsAreLimitedAndSaid()
    {
        QFETCH(QString, name);
        QFETCH(int, maximum);
        PdfSettingDialog dialog;
        QLineEdit* e = dialog.findChild<QLineEdit*>(name);
        QVERIFY(e);
        QCOMPARE(e->toolTip(), QStringLiteral("最多可输入%1个字").arg(maximum));
        QTest::keyClicks(e, QString(50, QLatin1Char('x'))); // typed
        QCOMPARE(e->text().size(), maximum);
        e->clear();
        e->insert(QString(50, QChar(0x6D4B))); // pasted
        QCOMPARE(e->text().size(), maximum);
    }

    void testerFieldsShowTheConnectedInstrument()
    {
        auto* first = new PdfSettingDialog;
        edit(first, "lineEdit_TesterName")->setText(QStringLiteral("手填名称"));
        edit(first, "lineEdit_UserName")->setText(QStringLiteral("李娜"));
        pressOk(first);

        DeviceInfo info{QStringLiteral("200A 回路电阻测试仪"), QStringLiteral("RV718B     "),
                        QStringLiteral("V2.10      ")};
        auto* second = new PdfSettingDialog;
        QCOMPARE(edit(second, "lineEdit_TesterName")->text(), QStringLiteral("手填名称"));
        second->getSystemInfoSlot(info);
        QCOMPARE(edit(second, "lineEdit_TesterName")->text(), info.name);
        QCOMPARE(edit(second, "lineEdit_TesterModel")->text(), info.model);
        QCOMPARE(edit(second, "lineEdit_TesterVersion")->text(), info.version);
        QCOMPARE(edit(second, "lineEdit_UserName")->text(), QStringLiteral("李娜"));
        second->getSystemInfoSlot(DeviceInfo()); // no identity yet: the fields empty
        QCOMPARE(edit(second, "lineEdit_TesterName")->text(), QString());
        QSignalSpy spy(second, &PdfSettingDialog::pdfSettingSignal);
        pressOk(second);
        QCOMPARE(sent(spy).testerName, QString());
        QCOMPARE(sent(spy).userName, QStringLiteral("李娜"));
    }

    void closingWithoutOkSavesAndSendsNothing()
    {
        auto* dialog = new PdfSettingDialog;
        QPointer<QDialog> guard = dialog;
        edit(dialog, "lineEdit_Company")->setText(QStringLiteral("未保存"));
        QSignalSpy spy(dialog, &PdfSettingDialog::pdfSettingSignal);
        dialog->show();
        dialog->close();
        QTRY_VERIFY(guard.isNull());
        QCOMPARE(spy.count(), 0);
        QVERIFY(!QFile::exists(dialogSettingsPath(settingsFile)));
    }
};

QTEST_MAIN(TestPdfSettingDialog)
#include "tst_pdfsettingdialog.moc"
