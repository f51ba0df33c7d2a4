#include "LanguageMenu.h"

#include <QLocale>

namespace languagemenu {

QString languageCodeOf(const QString& localeName)
{
    const int cut = localeName.lastIndexOf(QLatin1Char('_'));
    return cut < 0 ? QString() : localeName.left(cut);
}

QString catalogueCodeOf(const QString& fileName)
{
    const QString base = fileName.left(fileName.lastIndexOf(QLatin1Char('.')));
    return base.mid(base.lastIndexOf(QLatin1Char('_')) + 1);
}

QString menuTextOf(const QString& code)
{
    return code == QLatin1String("en") ? QStringLiteral("English") : QStringLiteral("简体中文");
}

QVector<Entry> entriesFor(const QStringList& catalogueFiles, const QString& shownCode)
{
    QVector<Entry> entries;
    for (const QString& file : catalogueFiles) {
        const QString code = catalogueCodeOf(file);
        entries.append({code, menuTextOf(code), code == shownCode});
    }
    return entries;
}

QString toolkitCatalogueFor(const QString& code, const QStringList& available)
{
    QString own = QStringLiteral("qt_%1.qm").arg(code);
    if (available.contains(own) || code.isEmpty())
        return own;
    const QString regional = QStringLiteral("qt_%1.qm").arg(QLocale(code).name());
    return available.contains(regional) ? regional : own;
}

} // namespace languagemenu
