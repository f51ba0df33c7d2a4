#include "DeviceInfoDialog.h"

#include "ui_deviceinfodialog.h"

#include <QEvent>

DeviceInfoDialog::DeviceInfoDialog(QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::DeviceInfoDialog>())
{
    ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("设备信息"));
    setWindowFlags(Qt::Window);
}

DeviceInfoDialog::~DeviceInfoDialog() = default;

void DeviceInfoDialog::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this); // the values shown are not the form's
        setWindowTitle(tr("设备信息"));
    }
    QDialog::changeEvent(e);
}

void DeviceInfoDialog::systemInfoSlot(DeviceInfo info)
{
    ui->label_nameValue->setText(info.name);
    ui->label_modelValue->setText(info.model);
    ui->label_versionValue->setText(info.version);
}
