#include "FontSetup.h"

#include <QFont>
#include <QStringList>

void installFontSubstitutions()
{
    const QStringList replacements{QStringLiteral("DejaVu Sans"),
                                   QStringLiteral("Noto Sans CJK SC")};
    // Qt looks substitutes up case-insensitively; the spellings are listed as the
    // forms and the report code write them.
    const QStringList families{
        QStringLiteral("Microsoft YaHei UI"), QStringLiteral("Microsoft YaHei UI Light"),
        QStringLiteral("Microsoft YaHei"),    QStringLiteral("Microsoft Yahei"),
        QStringLiteral("微软雅黑"),
    };
    for (const QString& family : families) {
        // insertSubstitutions appends only names not yet listed, so a second
        // call leaves the table as it is.
        QFont::insertSubstitutions(family, replacements);
    }
}
