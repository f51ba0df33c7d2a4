#pragma once

#include <QString>

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
} // namespace buttonstyles
