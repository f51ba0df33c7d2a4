#include "PdfSettingDialog.h"

#include "DialogSettings.h"
#include "ui_pdfsettingdialog.h"

#include <QLineEdit>
#include <QSettings>

#include <array>
#include <utility>

namespace {

// Settings keys in the order the texts are read and written; each key is also
// the field's name.
const std::array<std::pair<const char*, QString PdfSettingData::*>, 8> keys{{
    {"companyName", &PdfSettingData::companyName},
    {"userName", &PdfSettingData::userName},
    {"contact", &PdfSettingData::contact},
    {"testerName", &PdfSettingData::testerName},
    {"testerModel", &PdfSettingData::testerModel},
    {"testerVersion", &PdfSettingData::testerVersion},
    {"testObjName", &PdfSettingData::testObjName},
    {"scene", &PdfSettingData::scene},
}};

// The line edits in the same order as the keys.
std::array<QLineEdit*, 8> editsOf(const Ui::PdfSettingDialog& ui)
{
    return {ui.lineEdit_Company,     ui.lineEdit_UserName,    ui.lineEdit_Contact,
            ui.lineEdit_TesterName,  ui.lineEdit_TesterModel, ui.lineEdit_TesterVersion,
            ui.lineEdit_TestObjName, ui.lineEdit_Scene};
}

// The instrument pads its model and version to a fixed length with blanks or
// zero bytes; the report and the settings file want the text alone.
QString withoutFill(QString text)
{
    while (!text.isEmpty() &&
           (text.back().isSpace() || text.back().category() == QChar::Other_Control))
        text.chop(1);
    return text;
}

} // namespace

PdfSettingDialog::PdfSettingDialog(QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::PdfSettingDialog>())
{
    ui->setupUi(this);
    setWindowTitle(tr("PDF设置"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlags(Qt::Window);

    settings = openDialogSettings(QStringLiteral("settingsPdf.ini"));
    for (const auto& [key, field] : keys)
        data.*field = settings->value(QLatin1String(key), QString()).toString();
    showData();
}

PdfSettingDialog::~PdfSettingDialog() = default;

void PdfSettingDialog::getSystemInfoSlot(DeviceInfo info)
{
    data.testerName = info.name;
    data.testerModel = withoutFill(info.model);
    data.testerVersion = withoutFill(info.version);
    ui->lineEdit_TesterName->setText(data.testerName);
    ui->lineEdit_TesterModel->setText(data.testerModel);
    ui->lineEdit_TesterVersion->setText(data.testerVersion);
}

void PdfSettingDialog::on_buttonBox_accepted()
{
    const auto edits = editsOf(*ui);
    for (std::size_t i = 0; i < keys.size(); ++i)
        data.*keys[i].second = edits[i]->text();
    for (const auto& [key, field] : keys)
        settings->setValue(QLatin1String(key), data.*field);
    settings->sync();
    emit pdfSettingSignal(data);
}

void PdfSettingDialog::showData()
{
    const auto edits = editsOf(*ui);
    for (std::size_t i = 0; i < keys.size(); ++i)
        edits[i]->setText(data.*keys[i].second);
}
