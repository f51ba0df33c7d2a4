#include "SwitchButton.h"

#include <QPainter>
#include <QPainterPath>
#include <QTimer>

SwitchButton::SwitchButton(QWidget* parent)
    : QWidget(parent), textOn(tr("开启")), textOff(tr("关闭")), timer(new QTimer(this))
{
    timer->setInterval(30);
    connect(timer, &QTimer::timeout, this, &SwitchButton::updateValue);
}

void SwitchButton::mousePressEvent(QMouseEvent*)
{
    checked = !checked;
    emit statusChangedMouse(checked);
    moveKnobToState();
}

void SwitchButton::updateSwitchStatusSlot(bool on)
{
    checked = on;
    emit statusChanged(checked);
    moveKnobToState();
}

void SwitchButton::moveKnobToState()
{
    // At least one pixel per tick: a switch narrower than ten pixels would
    // otherwise never reach its end and keep the timer firing.
    step = qMax(1, width() / 10);
    endX = checked ? width() - height() : 0;
    if (animation) {
        timer->start();
        return;
    }
    startX = endX;
    update();
}

void SwitchButton::updateValue()
{
    if (checked && endX > startX) {
        startX += step;
    } else if (!checked && endX < startX) {
        startX -= step;
    } else {
        startX = endX;
        timer->stop();
    }
    update();
}

void SwitchButton::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // The layout resizes the switch with the window; a knob resting against the
    // right end (or on its way there) must follow that end, not stay mid-track.
    if (timer->isActive()) {
        step = qMax(1, width() / 10);
        endX = checked ? width() - height() : 0;
    } else if (startX == endX && endX != 0) {
        startX = endX = width() - height();
    }
}

void SwitchButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    drawTrack(&painter);
    drawKnob(&painter);
}

void SwitchButton::drawTrack(QPainter* painter)
{
    painter->save();
    painter->setPen(Qt::NoPen);

    QColor color = checked ? bgColorOn : bgColorOff;
    if (!isEnabled())
        color.setAlpha(60);
    painter->setBrush(color);

    const int w = width();
    const int h = height();
    const int side = qMin(w, h);
    QPainterPath left;
    left.addEllipse(QRect(0, 0, side, side));
    QPainterPath right;
    right.addEllipse(QRect(w - side, 0, side, side));
    QPainterPath middle;
    middle.addRect(QRect(side / 2, 0, w - side, h));
    painter->drawPath(left.united(right).united(middle));

    const int sliderWidth = side - space * 2 - 5;
    painter->setPen(textColor);
    if (checked)
        painter->drawText(QRect(0, 0, w - sliderWidth, h), Qt::AlignCenter, textOn);
    else
        painter->drawText(QRect(sliderWidth, 0, w - sliderWidth, h), Qt::AlignCenter, textOff);

    painter->restore();
}

void SwitchButton::drawKnob(QPainter* painter)
{
    painter->save();
    painter->setPen(Qt::NoPen);
    painter->setBrush(checked ? sliderColorOn : sliderColorOff);
    const int d = qMin(width(), height()) - space * 2;
    painter->drawEllipse(QRect(startX + space, space, d, d));
    painter->restore();
}

// Every setter ignores a value equal to the stored one and otherwise repaints.
template <typename T> static bool assign(T& member, const T& value)
{
    if (member == value)
        return false;
    member = value;
    return true;
}

void SwitchButton::setSpace(int value)
{
    if (assign(space, value))
        update();
}

void SwitchButton::setRadius(int value)
{
    if (assign(radius, value))
        update();
}

void SwitchButton::setChecked(bool on)
{
    if (assign(checked, on))
        update();
}

void SwitchButton::setShowText(bool show)
{
    if (assign(showText, show))
        update();
}

void SwitchButton::setShowCircle(bool show)
{
    if (assign(showCircle, show))
        update();
}

void SwitchButton::setAnimation(bool ok)
{
    if (assign(animation, ok))
        update();
}

void SwitchButton::setBgColorOn(const QColor& color)
{
    if (assign(bgColorOn, color))
        update();
}

void SwitchButton::setBgColorOff(const QColor& color)
{
    if (assign(bgColorOff, color))
        update();
}

void SwitchButton::setSliderColorOn(const QColor& color)
{
    if (assign(sliderColorOn, color))
        update();
}

void SwitchButton::setSliderColorOff(const QColor& color)
{
    if (assign(sliderColorOff, color))
        update();
}

void SwitchButton::setTextColor(const QColor& color)
{
    if (assign(textColor, color))
        update();
}

void SwitchButton::setTextOn(const QString& text)
{
    if (assign(textOn, text))
        update();
}

void SwitchButton::setTextOff(const QString& text)
{
    if (assign(textOff, text))
        update();
}
