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
        QFile raw(dialogSettingsPath(settingsFile)); // kept as plain UTF-8
        QVERIFY(raw.open(QIODevice::ReadOnly) && raw.readAll().contains(texts.at(6).toUtf8()));

        auto* again = new PdfSettingDialog;
        for (int i = 0; i < 8; ++i)
            QCOMPARE(edit(again, names[i])->text(), texts.at(i));
        delete again;
    }

    // Each field's tool tip states the limit it keeps to.
    void lengthsAreSaid()
    {
        PdfSettingDialog dialog;
        for (const QLineEdit* e : dialog.findChildren<QLineEdit*>())
            QCOMPARE(e->toolTip(), QStringLiteral("最多可输入%1个字").arg(e->maxLength()));
    }

    void testerFieldsShowTheConnectedInstrument()
    {
        auto* first = new PdfSettingDialog;
        edit(first, "lineEdit_TesterName")->setText(QStringLiteral("手填名称"));
        edit(first, "lineEdit_UserName")->setText(QStringLiteral("李娜"));
        pressOk(first);

        // The instrument's own name whole, model and version without their fill.
        DeviceInfo info{QStringLiteral("200A Loop Resistance Tester"),
                        QStringLiteral("RV718B     "), QStringLiteral("V2.10\u0000\u0000 \u0000")};
        auto* second = new PdfSettingDialog;
        QCOMPARE(edit(second, "lineEdit_TesterName")->text(), QStringLiteral("手填名称"));
        second->getSystemInfoSlot(DeviceInfo()); // no identity yet: the fields empty
        QCOMPARE(edit(second, "lineEdit_TesterName")->text(), QString());
        second->getSystemInfoSlot(info);
        QSignalSpy spy(second, &PdfSettingDialog::pdfSettingSignal);
        pressOk(second);
        const PdfSettingData d = sent(spy);
        QCOMPARE(QStringList({d.testerName, d.testerModel, d.testerVersion, d.userName}),
                 QStringList({info.name, "RV718B", "V2.10", "李娜"}));
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
