#pragma once

#include <QString>
#include <QWidget>

// Whole style sheets that show the link state on the update and test buttons.
namespace buttonstyles {
inline QString updateIdle()
{
    return QStringLiteral("QPushButton{background-color: rgb(142, 189, 243);}");
}
inline QString updateEditing()
{
    return QStringLiteral("QPushButton{background-color: rgb(6, 186, 39);}");
}
inline QString testIdle()
{
    return QStringLiteral("QPushButton{background-color: rgb(254, 202, 84);}");
}
inline QString testRunning()
{
    return QStringLiteral("QPushButton{background-color: rgb(6, 186, 39);}");
}

// Sets the style sheet only when it differs: every new style sheet makes the
// next repaint put fresh images into Qt's pixmap cache, and readings arrive
// several times a second.
inline void apply(QWidget* widget, const QString& styleSheet)
{
    if (widget->styleSheet() != styleSheet)
        widget->setStyleSheet(styleSheet);
}
} // namespace buttonstyles
