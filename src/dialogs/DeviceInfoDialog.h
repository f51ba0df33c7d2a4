#pragma once

#include "Records.h"

#include <QDialog>

#include <memory>

namespace Ui {
class DeviceInfoDialog;
}

// Shows the identity of the connected instrument as the window holds it.
class DeviceInfoDialog : public QDialog
{
    Q_OBJECT

public:
    explicit DeviceInfoDialog(QWidget* parent = nullptr);
    ~DeviceInfoDialog() override;

public slots:
    // Shows the three texts as they are; empty texts leave the labels empty.
    void systemInfoSlot(DeviceInfo info);

protected:
    // Follows a change of language while open.
    void changeEvent(QEvent* e) override;

private:
    std::unique_ptr<Ui::DeviceInfoDialog> ui;
};
