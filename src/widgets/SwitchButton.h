#pragma once

#include <QColor>
#include <QString>
#include <QWidget>

class QTimer;

// A self-drawn two-state toggle: a pill-shaped track, a round knob that slides
// between its ends, and a short caption on the free side of the track.
class SwitchButton : public QWidget
{
    Q_OBJECT

public:
    explicit SwitchButton(QWidget* parent = nullptr);

    int getSpace() const { return space; }
    int getRadius() const { return radius; }
    bool getChecked() const { return checked; }
    bool getShowText() const { return showText; }
    bool getShowCircle() const { return showCircle; }
    bool getAnimation() const { return animation; }
    QColor getBgColorOn() const { return bgColorOn; }
    QColor getBgColorOff() const { return bgColorOff; }
    QColor getSliderColorOn() const { return sliderColorOn; }
    QColor getSliderColorOff() const { return sliderColorOff; }
    QColor getTextColor() const { return textColor; }
    QString getTextOn() const { return textOn; }
    QString getTextOff() const { return textOff; }
    QTimer* getTimer() const { return timer; }
    int getStep() const { return step; }
    int getStartX() const { return startX; }
    int getEndX() const { return endX; }

signals:
    void statusChanged(bool checked);
    void statusChangedMouse(bool checked);

public slots:
    // Sets the state from code: emits statusChanged (even when unchanged) and
    // moves the knob.
    void updateSwitchStatusSlot(bool checked);

private slots:
    void updateValue();

public slots:
    void setSpace(int space);
    void setRadius(int radius);
    // Plain setter: no signal, no knob movement.
    void setChecked(bool checked);
    void setShowText(bool show);
    void setShowCircle(bool show);
    void setAnimation(bool ok);
    void setBgColorOn(const QColor& color);
    void setBgColorOff(const QColor& color);
    void setSliderColorOn(const QColor& color);
    void setSliderColorOff(const QColor& color);
    void setTextColor(const QColor& color);
    void setTextOn(const QString& text);
    void setTextOff(const QString& text);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void moveKnobToState();
    void drawTrack(QPainter* painter);
    void drawKnob(QPainter* painter);

    int space = 2;
    int radius = 5;
    bool checked = false;
    bool showText = false;
    bool showCircle = false;
    bool animation = true;
    QColor bgColorOn{6, 186, 39};
    QColor bgColorOff{254, 202, 84};
    QColor sliderColorOn{255, 255, 255};
    QColor sliderColorOff{255, 255, 255};
    QColor textColor{0, 0, 0};
    QString textOn;
    QString textOff;
    QTimer* timer = nullptr;
    int step = 0;
    int startX = 0;
    int endX = 0;
};
