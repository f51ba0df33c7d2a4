#include "DeviceSelectionDialog.h"

#include "ui_deviceselectiondialog.h"

#include <QEvent>

namespace {
// Where a line keeps what it is made of; its data is the path.
constexpr int kPortRole = Qt::UserRole + 1;
constexpr int kSerialRole = Qt::UserRole + 2;
constexpr int kIdentityRole = Qt::UserRole + 3;
} // namespace

DeviceSelectionDialog::DeviceSelectionDialog(QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::DeviceSelectionDialog>())
{
    ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("选择设备"));
    setWindowFlags(Qt::Window);
    showGuide();
}

DeviceSelectionDialog::~DeviceSelectionDialog() = default;

void DeviceSelectionDialog::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        setWindowTitle(tr("选择设备"));
        showGuide();
    }
    QDialog::changeEvent(e);
}

void DeviceSelectionDialog::showGuide()
{
#ifndef Q_OS_WIN
    // The form's steps are for Windows' device manager; here the list itself
    // says which instrument is which.
    ui->label_3->setText(
        tr("每行是一台测试仪：型号和版本（仪器应答后显示）、所插的 USB 端口、序列号，"
           "最后是设备路径。"));
    ui->label->setText(tr("选择要连接的测试仪，然后点击“确定”。"));
#endif
}

void DeviceSelectionDialog::addDevicePaths(const QStringList& paths)
{
    for (const QString& path : paths)
        addDevice(path, QString(), QString());
}

void DeviceSelectionDialog::addDevice(const QString& path, const QString& usbPort,
                                      const QString& serial)
{
    ui->comboBox->addItem(path, path);
    const int index = ui->comboBox->count() - 1;
    ui->comboBox->setItemData(index, usbPort, kPortRole);
    ui->comboBox->setItemData(index, serial, kSerialRole);
    ui->comboBox->setItemData(index, tr("正在询问型号…"), kIdentityRole);
    showLine(index);
}

void DeviceSelectionDialog::setIdentity(const QString& path, const QString& model,
                                        const QString& version)
{
    setIdentityText(path, tr("%1，版本 %2").arg(model, version));
}

void DeviceSelectionDialog::setNotAnswering(const QString& path)
{
    setIdentityText(path, tr("没有应答"));
}

void DeviceSelectionDialog::setIdentityText(const QString& path, const QString& identity)
{
    const int index = ui->comboBox->findData(path);
    if (index < 0)
        return;
    ui->comboBox->setItemData(index, identity, kIdentityRole);
    showLine(index);
}

void DeviceSelectionDialog::showLine(int index)
{
    QComboBox* box = ui->comboBox;
    QStringList parts = {box->itemData(index, kIdentityRole).toString()};
    const QString port = box->itemData(index, kPortRole).toString();
    const QString serial = box->itemData(index, kSerialRole).toString();
    if (!port.isEmpty())
        parts << tr("USB 端口 %1").arg(port);
    if (!serial.isEmpty())
        parts << tr("序列号 %1").arg(serial);
    box->setItemText(
        index,
        QStringLiteral("%1  (%2)").arg(parts.join(tr("，")), box->itemData(index).toString()));
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
