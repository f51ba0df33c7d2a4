#pragma once

#include "SimInstrument.h"

#include <QPointer>
#include <QWidget>

class QCheckBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;

namespace sim {

// One simulated instrument on the panel: what it shows and holds, and the
// controls a person uses on it (its test key, the USB plug, what it measures,
// over-temperature and its faults).
class InstrumentCard : public QWidget
{
    Q_OBJECT
public:
    explicit InstrumentCard(SimInstrument* instrument, QWidget* parent = nullptr);

    // Null once the instrument was detached or the bus reset.
    SimInstrument* instrument() const { return inst; }
    // Model and path, or "unplugged": the card's tab text.
    QString caption() const { return captionText; }

public slots:
    // Reads the instrument again; also called on a timer, since a running
    // test counts down without telling anyone.
    void refresh();

signals:
    void detachRequested(sim::SimInstrument* instrument);
    void captionChanged(const QString& caption);

private:
    QWidget* buildButtons();
    QWidget* buildFaults();
    void togglePlug();

    QPointer<SimInstrument> inst;
    QString captionText;
    QLabel* stateLabel = nullptr;
    QLabel* settingsLabel = nullptr;
    QLabel* memoryLabel = nullptr;
    QPushButton* testKey = nullptr;
    QPushButton* plugButton = nullptr;
    QDoubleSpinBox* resistance = nullptr;
    QCheckBox* overRange = nullptr;
    QCheckBox* underRange = nullptr;
    QCheckBox* overTemperature = nullptr;
    QList<QCheckBox*> faultBoxes; // indexed by sim::Fault
};

} // namespace sim
