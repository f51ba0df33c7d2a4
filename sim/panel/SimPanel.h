#pragma once

#include <QList>
#include <QWidget>

class QComboBox;
class QLabel;
class QTabWidget;
class QTimer;

namespace sim {

class InstrumentCard;
class SimInstrument;

// The demo's instrument panel: a small window beside the main window that
// shows every instrument on the SimBus, one tab each, and lets a person
// operate them, attach and detach instruments and speed up the bus clock.
class SimPanel : public QWidget
{
    Q_OBJECT
public:
    explicit SimPanel(QWidget* parent = nullptr);

    int cardCount() const { return cards.size(); }
    InstrumentCard* cardFor(SimInstrument* instrument) const; // null if none

public slots:
    // Brings the cards in line with the bus (instruments may be attached or
    // detached by others too) and refreshes what they show.
    void refresh();

private:
    QWidget* buildBusBox();
    void syncCards();
    void detach(SimInstrument* instrument);

    QList<InstrumentCard*> cards; // in the bus's attach order, as the tabs
    QTabWidget* tabs = nullptr;
    QComboBox* speedCombo = nullptr;
    QComboBox* modelCombo = nullptr;
    QLabel* clockLabel = nullptr;
    QLabel* emptyLabel = nullptr;
    QTimer* refreshTimer = nullptr;
};

} // namespace sim
