#include "SampleIntervalDialog.h"

#include "DialogSettings.h"
#include "ui_sampleintervaldialog.h"

#include <QDebug>
#include <QSettings>

namespace {
const char* const intervalKey = "interval";
} // namespace

SampleIntervalDialog::SampleIntervalDialog(QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::SampleIntervalDialog>())
{
    ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("采样频率设置"));
    setWindowFlags(Qt::Window);

    settings = openDialogSettings(QStringLiteral("settingsSample.ini"));

    // The stored default (600) deliberately overrides the form's 500; the spin
    // box holds any stored value to 200 … 800.
    interval = settings->value(intervalKey, 600).toInt();
    ui->spinBox_SampleInterval->setValue(interval);
}

SampleIntervalDialog::~SampleIntervalDialog() = default;

void SampleIntervalDialog::on_buttonBox_SampleInterval_accepted()
{
    interval = ui->spinBox_SampleInterval->value();
    settings->setValue(intervalKey, interval);
    settings->sync();
    emit sampleIntervalSignal(interval);
    qCDebug(lcSettings) << "sample interval" << interval;
}
