#include "DeviceSelectionDialog.h"

#include "ui_deviceselectiondialog.h"

#include <QEvent>

DeviceSelectionDialog::DeviceSelectionDialog(QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::DeviceSelectionDialog>())
{
    ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("选择设备"));
    setWindowFlags(Qt::Window);
}

DeviceSelectionDialog::~DeviceSelectionDialog() = default;

void DeviceSelectionDialog::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        setWindowTitle(tr("选择设备"));
    }
    QDialog::changeEvent(e);
}

void DeviceSelectionDialog::addDevicePaths(const QStringList& paths)
{
    for (const QString& path : paths)
        addDevice(path, QString(), QString());
}

void DeviceSelectionDialog::addDevice(const QString& path, const QString& usbPort,
                                      const QString& serial)
{
    QStringList details;
    if (!usbPort.isEmpty())
        details << tr("USB 端口 %1").arg(usbPort);
    if (!serial.isEmpty())
        details << tr("序列号 %1").arg(serial);
    const QString text =
        details.isEmpty() ? path : QStringLiteral("%1  (%2)").arg(path, details.join(tr("，")));
    ui->comboBox->addItem(text, path);
}

void DeviceSelectionDialog::on_buttonBox_accepted()
{
    emit pathSelected(ui->comboBox->currentData().toString());
    close();
}

void DeviceSelectionDialog::on_buttonBox_rejected()
{
    close();
}
