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
    static constexpr int kDefaultInterval = 500;
    static constexpr int kMinInterval = 200;
    static constexpr int kMaxInterval = 800;

    // Shows the interval in use, held to the dialog's range.
    explicit SampleIntervalDialog(int inUse, QWidget* parent = nullptr);
    ~SampleIntervalDialog() override;

    // The interval last chosen, held to the range; the default when none was.
    static int storedInterval();

signals:
    void sampleIntervalSignal(int interval);

private slots:
    void on_buttonBox_SampleInterval_accepted();

protected:
    // Follows a change of language while open.
    void changeEvent(QEvent* e) override;

private:
    std::unique_ptr<Ui::SampleIntervalDialog> ui;
    int interval = kDefaultInterval;
    std::unique_ptr<QSettings> settings;
};
