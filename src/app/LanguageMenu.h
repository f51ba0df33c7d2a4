#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

// The language menu's pure rules, kept apart from the window so tests reach
// them without one (and without changing the machine's locale).
namespace languagemenu {

// The language code of a locale name: the name cut before its last "_"
// ("zh_CN" gives "zh"); a name without "_" ("C") gives an empty code.
QString languageCodeOf(const QString& localeName);

// The code of a catalogue file: its name cut before the last "." and then
// after the last "_" ("lang_en.qm" gives "en").
QString catalogueCodeOf(const QString& fileName);

// What the menu calls a language, the same in every language: "English" for
// "en", "简体中文" for any other code.
QString menuTextOf(const QString& code);

struct Entry
{
    QString code;
    QString text;
    bool checked = false; // the language shown
};

// One entry per catalogue file, in the order given; the entry of the
// language shown is checked.
QVector<Entry> entriesFor(const QStringList& catalogueFiles, const QString& shownCode);

// The toolkit's catalogue for a language code among the files there are:
// "qt_<code>.qm", or else the one named after the code's usual country
// ("qt_zh_CN.qm" for "zh"). When neither is there, the first, which then
// fails to load.
QString toolkitCatalogueFor(const QString& code, const QStringList& available);

} // namespace languagemenu
