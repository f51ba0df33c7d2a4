#include "FileText.h"

namespace filetext {
namespace {

bool allowedInXml(char16_t c)
{
    if (c < 0x20)
        return c == 0x09 || c == 0x0A || c == 0x0D;
    return c != 0xFFFE && c != 0xFFFF;
}

} // namespace

QString forXml(const QString& text)
{
    QString out;
    out.reserve(text.size());
    const int n = text.size();
    for (int i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate()) {
            if (i + 1 < n && text.at(i + 1).isLowSurrogate()) {
                out.append(c);
                out.append(text.at(++i));
            }
            continue;
        }
        if (c.isLowSurrogate() || !allowedInXml(c.unicode()))
            continue;
        out.append(c);
    }
    return out;
}

QString forPdf(const QString& text)
{
    const QString kept = forXml(text);
    QString out;
    out.reserve(kept.size());
    for (const QChar c : kept) {
        if (c.category() != QChar::Other_Control || c == QLatin1Char('\t') ||
            c == QLatin1Char('\n'))
            out.append(c);
    }
    return out;
}

} // namespace filetext
