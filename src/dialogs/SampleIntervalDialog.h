#pragma once

#include <QDialog>

#include <memory>

class QSettings;
namespace Ui {
class SampleIntervalDialog;
}

// Sets the period of the live poll (200 to 800 ms); remembers it in
// "settingsSample.ini".
class SampleIntervalDialog : public QDialog
{
    Q_OBJECT

public:
    explicit SampleIntervalDialog(QWidget* parent = nullptr);
    ~SampleIntervalDialog() override;

signals:
    void sampleIntervalSignal(int interval);

private slots:
    void on_buttonBox_SampleInterval_accepted();

private:
    std::unique_ptr<Ui::SampleIntervalDialog> ui;
    int interval = 600;
    std::unique_ptr<QSettings> settings;
};
