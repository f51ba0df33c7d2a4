#include "SimPanel.h"

#include "InstrumentCard.h"
#include "SimBus.h"
#include "SimInstrument.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTime>
#include <QTimer>
#include <QVBoxLayout>

namespace sim {
namespace {

// Clock-driven progress emits nothing, so the panel looks this often.
constexpr int kRefreshMs = 200;

} // namespace

SimPanel::SimPanel(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("SimPanel"));
    setWindowTitle(tr("Simulated instrument"));
    // A side window of the demo: it must not steal the focus from the main
    // window when it appears, nor keep the program alive once that closes.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_QuitOnClose, false);

    emptyLabel = new QLabel(tr("No instrument on the bus."), this);
    emptyLabel->setObjectName(QStringLiteral("label_NoInstrument"));
    emptyLabel->setAlignment(Qt::AlignCenter);

    tabs = new QTabWidget(this);
    tabs->setObjectName(QStringLiteral("tabWidget_Instruments"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(buildBusBox());
    layout->addWidget(tabs);
    layout->addWidget(emptyLabel, 1);

    SimBus& bus = SimBus::instance();
    // Queued: plugging may happen on another thread, and a card must not be
    // made or dropped while the bus is still inside the call that emitted.
    connect(&bus, &SimBus::deviceArrived, this, &SimPanel::refresh, Qt::QueuedConnection);
    connect(&bus, &SimBus::deviceRemoved, this, &SimPanel::refresh, Qt::QueuedConnection);

    refreshTimer = new QTimer(this);
    refreshTimer->setInterval(kRefreshMs);
    connect(refreshTimer, &QTimer::timeout, this, &SimPanel::refresh);
    refreshTimer->start();
    refresh();
}

QWidget* SimPanel::buildBusBox()
{
    auto* box = new QGroupBox(tr("Bus"), this);
    box->setObjectName(QStringLiteral("groupBox_Bus"));

    speedCombo = new QComboBox(box);
    speedCombo->setObjectName(QStringLiteral("comboBox_ClockSpeed"));
    for (int factor : {1, 5, 20})
        speedCombo->addItem(QStringLiteral("%1×").arg(factor), factor);
    speedCombo->setToolTip(tr("How fast a test runs; available while the clock follows real time"));
    connect(speedCombo, qOverload<int>(&QComboBox::activated), this, [this](int index) {
        SimBus::instance().setClockSpeed(speedCombo->itemData(index).toDouble());
    });

    clockLabel = new QLabel(box);
    clockLabel->setObjectName(QStringLiteral("label_Clock"));

    modelCombo = new QComboBox(box);
    modelCombo->setObjectName(QStringLiteral("comboBox_AttachModel"));
    modelCombo->addItem(QStringLiteral("RV718A"), int(Model::RV718A));
    modelCombo->addItem(QStringLiteral("RV718B"), int(Model::RV718B));
    modelCombo->setCurrentIndex(1);

    auto* attach = new QPushButton(tr("Attach"), box);
    attach->setObjectName(QStringLiteral("pushButton_Attach"));
    attach->setToolTip(tr("Attach and plug in another instrument of this model"));
    connect(attach, &QPushButton::clicked, this, [this] {
        SimInstrument* added = SimBus::instance().attach(Model(modelCombo->currentData().toInt()));
        refresh();
        if (InstrumentCard* card = cardFor(added))
            tabs->setCurrentWidget(card);
    });

    auto* clockRow = new QHBoxLayout;
    clockRow->addWidget(speedCombo);
    clockRow->addWidget(clockLabel, 1);
    auto* attachRow = new QHBoxLayout;
    attachRow->addWidget(modelCombo);
    attachRow->addWidget(attach);
    attachRow->addStretch(1);

    auto* form = new QFormLayout(box);
    form->addRow(tr("Clock speed:"), clockRow);
    form->addRow(tr("New instrument:"), attachRow);
    return box;
}

InstrumentCard* SimPanel::cardFor(SimInstrument* instrument) const
{
    for (InstrumentCard* card : cards)
        if (card->instrument() == instrument)
            return card;
    return nullptr;
}

void SimPanel::refresh()
{
    syncCards();
    for (InstrumentCard* card : cards)
        card->refresh();

    const SimBus& bus = SimBus::instance();
    const bool realTime = bus.clockMode() == ClockMode::RealTime;
    speedCombo->setEnabled(realTime);
    const int speedIndex = speedCombo->findData(qRound(bus.clockSpeed()));
    if (speedIndex >= 0 && !speedCombo->view()->isVisible())
        speedCombo->setCurrentIndex(speedIndex);
    const QString time =
        QTime(0, 0).addMSecs(int(bus.clockMs())).toString(QStringLiteral("H:mm:ss"));
    clockLabel->setText(realTime ? tr("clock at %1").arg(time)
                                 : tr("manual clock at %1").arg(time));
}

void SimPanel::syncCards()
{
    const QList<SimInstrument*> onBus = SimBus::instance().instruments();

    // Drop the cards of instruments that left the bus (their pointer is null
    // once the instrument is deleted).
    for (int i = cards.size() - 1; i >= 0; --i) {
        InstrumentCard* card = cards[i];
        if (!card->instrument() || !onBus.contains(card->instrument())) {
            cards.removeAt(i);
            tabs->removeTab(tabs->indexOf(card));
            card->deleteLater();
        }
    }
    int row = 0;
    for (SimInstrument* instrument : onBus) {
        InstrumentCard* card = cardFor(instrument);
        if (!card) {
            card = new InstrumentCard(instrument, tabs);
            connect(card, &InstrumentCard::detachRequested, this, &SimPanel::detach);
            connect(card, &InstrumentCard::captionChanged, this, [this, card](const QString& text) {
                tabs->setTabText(tabs->indexOf(card), text);
            });
            cards.insert(row, card);
            tabs->insertTab(row, card, card->caption());
        }
        ++row;
    }
    tabs->setVisible(!cards.isEmpty());
    emptyLabel->setVisible(cards.isEmpty());
}

void SimPanel::detach(SimInstrument* instrument)
{
    SimBus::instance().detach(instrument);
    syncCards();
}

} // namespace sim
