#include "InstrumentCard.h"

#include "SimInstrument.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace sim {
namespace {

QString modelName(Model model)
{
    return model == Model::RV718A ? QStringLiteral("RV718A") : QStringLiteral("RV718B");
}

QString stateText(int state, int secondsLeft)
{
    switch (state) {
    case 0:
        return InstrumentCard::tr("Waiting");
    case 1:
        return InstrumentCard::tr("Testing, %1 s left").arg(secondsLeft);
    case 2:
        return InstrumentCard::tr("Complete");
    }
    return InstrumentCard::tr("Unknown (%1)").arg(state);
}

QString settingsText(const InstrumentSettings& s)
{
    QString comparison = InstrumentCard::tr("comparison off");
    if (s.comparisonOn) {
        const QString unit = s.comparisonUnit == 1 ? QStringLiteral("mΩ") : QStringLiteral("μΩ");
        comparison = InstrumentCard::tr("limit %1 %2")
                         .arg(double(s.comparisonValue), 0, 'f', s.comparisonDecimals)
                         .arg(unit);
    }
    return InstrumentCard::tr("%1 A, %2 s, %3")
        .arg(currentForIndex(s.currentIndex))
        .arg(s.testTimeSeconds)
        .arg(comparison);
}

// Sets a check box from the instrument without echoing the change back.
void showChecked(QCheckBox* box, bool on)
{
    if (box->isChecked() == on)
        return;
    const QSignalBlocker block(box);
    box->setChecked(on);
}

} // namespace

InstrumentCard::InstrumentCard(SimInstrument* instrument, QWidget* parent)
    : QWidget(parent), inst(instrument)
{
    setObjectName(QStringLiteral("widget_Instrument"));

    stateLabel = new QLabel(this);
    stateLabel->setObjectName(QStringLiteral("label_State"));
    settingsLabel = new QLabel(this);
    settingsLabel->setObjectName(QStringLiteral("label_Settings"));
    memoryLabel = new QLabel(this);
    memoryLabel->setObjectName(QStringLiteral("label_Memory"));

    resistance = new QDoubleSpinBox(this);
    resistance->setObjectName(QStringLiteral("doubleSpinBox_Resistance"));
    resistance->setRange(0.1, 2000000.0);
    resistance->setDecimals(1);
    resistance->setSuffix(QStringLiteral(" μΩ"));
    resistance->setStepType(QAbstractSpinBox::AdaptiveDecimalStepType);
    resistance->setKeyboardTracking(false);
    resistance->setToolTip(tr("From 1000 μΩ on the instrument shows mΩ"));
    resistance->setValue(instrument->measuredResistance());
    connect(resistance, qOverload<double>(&QDoubleSpinBox::valueChanged), this, [this](double v) {
        if (inst)
            inst->setMeasuredResistance(v);
    });

    overRange = new QCheckBox(tr("OL"), this);
    overRange->setObjectName(QStringLiteral("checkBox_OverRange"));
    overRange->setToolTip(tr("Force the over-range reading"));
    connect(overRange, &QCheckBox::toggled, this, [this](bool on) {
        if (inst)
            inst->setOverRange(on);
    });
    underRange = new QCheckBox(tr("LO"), this);
    underRange->setObjectName(QStringLiteral("checkBox_UnderRange"));
    underRange->setToolTip(tr("Force the under-range reading"));
    connect(underRange, &QCheckBox::toggled, this, [this](bool on) {
        if (inst)
            inst->setUnderRange(on);
    });

    overTemperature = new QCheckBox(tr("Over-temperature"), this);
    overTemperature->setObjectName(QStringLiteral("checkBox_OverTemperature"));
    connect(overTemperature, &QCheckBox::toggled, this, [this](bool on) {
        if (inst)
            inst->setOverTemperature(on);
    });

    auto* measures = new QHBoxLayout;
    measures->addWidget(resistance, 1);
    measures->addWidget(overRange);
    measures->addWidget(underRange);

    auto* form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    form->addRow(tr("State:"), stateLabel);
    form->addRow(tr("Settings:"), settingsLabel);
    form->addRow(tr("Memory:"), memoryLabel);
    form->addRow(tr("Measures:"), measures);
    form->addRow(QString(), overTemperature);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(buildButtons());
    layout->addLayout(form);
    layout->addWidget(buildFaults());

    // The instrument may change from the link thread (a parameter write);
    // queued, so the card reads it back on its own thread.
    connect(instrument, &SimInstrument::changed, this, &InstrumentCard::refresh,
            Qt::QueuedConnection);
    refresh();
}

QWidget* InstrumentCard::buildButtons()
{
    auto* box = new QWidget(this);

    testKey = new QPushButton(tr("TEST key"), box);
    testKey->setObjectName(QStringLiteral("pushButton_TestKey"));
    testKey->setToolTip(tr("The instrument's own key: starts a test, or stops a running one"));
    testKey->setMinimumHeight(40);
    QFont big = testKey->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.2);
    testKey->setFont(big);
    connect(testKey, &QPushButton::clicked, this, [this] {
        if (inst)
            inst->pressTestKey();
    });

    plugButton = new QPushButton(box);
    plugButton->setObjectName(QStringLiteral("pushButton_Plug"));
    connect(plugButton, &QPushButton::clicked, this, &InstrumentCard::togglePlug);

    auto* detach = new QPushButton(tr("Detach"), box);
    detach->setObjectName(QStringLiteral("pushButton_Detach"));
    detach->setToolTip(tr("Take this instrument off the bus for good"));
    connect(detach, &QPushButton::clicked, this, [this] {
        if (inst)
            emit detachRequested(inst);
    });

    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(testKey, 2);
    row->addWidget(plugButton, 1);
    row->addWidget(detach, 1);
    return box;
}

QWidget* InstrumentCard::buildFaults()
{
    auto* box = new QGroupBox(tr("Faults"), this);
    box->setObjectName(QStringLiteral("groupBox_Faults"));
    auto* grid = new QGridLayout(box);
    grid->setVerticalSpacing(2);
    const int rows = (kFaultCount + 1) / 2;
    for (int i = 0; i < kFaultCount; ++i) {
        const auto fault = Fault(i);
        auto* check = new QCheckBox(faultName(fault), box);
        check->setObjectName(QStringLiteral("checkBox_Fault_%1").arg(i));
        connect(check, &QCheckBox::toggled, this, [this, fault](bool on) {
            if (inst)
                inst->setFault(fault, on);
        });
        grid->addWidget(check, i % rows, i / rows);
        faultBoxes.append(check);
    }
    return box;
}

void InstrumentCard::togglePlug()
{
    if (!inst)
        return;
    if (inst->isPlugged())
        inst->unplug();
    else
        inst->plug();
    refresh();
}

void InstrumentCard::refresh()
{
    if (!inst) {
        setEnabled(false);
        return;
    }
    const bool plugged = inst->isPlugged();
    const QString path = inst->path();
    const QString caption =
        QStringLiteral("%1 · %2").arg(modelName(inst->model()), plugged ? path : tr("unplugged"));
    if (caption != captionText) {
        captionText = caption;
        emit captionChanged(caption);
    }
    plugButton->setText(plugged ? tr("Unplug") : tr("Plug in"));

    stateLabel->setText(stateText(inst->testState(), inst->timeLeftSeconds()));
    settingsLabel->setText(settingsText(inst->settings()));
    memoryLabel->setText(
        tr("%1 of %2 records").arg(inst->storedRecordCount()).arg(kMaxStoredRecords));

    // Leave the spin box alone while a person is typing into it.
    const double r = inst->measuredResistance();
    if (!resistance->hasFocus() && !qFuzzyCompare(resistance->value(), r)) {
        const QSignalBlocker block(resistance);
        resistance->setValue(r);
    }
    showChecked(overTemperature, inst->overTemperature());
    for (int i = 0; i < faultBoxes.size(); ++i)
        showChecked(faultBoxes[i], inst->hasFault(Fault(i)));
}

} // namespace sim
