#include "PdfLayout.h"

namespace pdflayout {

PageColumns pageColumns(const QRect& viewport)
{
    PageColumns c;
    c.width = viewport.right() - viewport.left() + 1;
    c.colW = c.width / 9;
    c.half = c.width / 2;
    return c;
}

int statusValueX(int colW)
{
    return static_cast<int>(colW * 4.5);
}

QStringList splitLine(const QString& line, qreal maxWidth, const Measure& width)
{
    QStringList pieces;
    QString s = line;
    while (!s.isEmpty()) {
        int fits = 0; // length of the longest prefix known to fit
        int k = 0;
        while (k < s.size()) {
            const bool pair =
                s.at(k).isHighSurrogate() && k + 1 < s.size() && s.at(k + 1).isLowSurrogate();
            const int next = k + (pair ? 2 : 1);
            if (width(s.left(next)) > maxWidth)
                break;
            fits = k = next;
        }
        if (fits == 0) // not even one character fits: give it a line of its own
            fits = s.at(0).isHighSurrogate() && s.size() > 1 && s.at(1).isLowSurrogate() ? 2 : 1;
        pieces.append(s.left(fits));
        s.remove(0, fits);
    }
    return pieces;
}

QStringList remarkLines(const QString& text, qreal maxWidth, const Measure& width)
{
    QStringList lines;
    const QStringList parts = text.split(QLatin1Char('\n'));
    for (const QString& part : parts)
        lines += splitLine(part, maxWidth, width);
    return lines;
}

std::vector<LinePlace> remarkPlaces(int lineCount, int firstY, int pageHeight)
{
    std::vector<LinePlace> places;
    places.reserve(static_cast<std::size_t>(qMax(lineCount, 0)));
    int cur = firstY;
    for (int i = 0; i < lineCount; ++i) {
        LinePlace place;
        if (cur + rowStep > pageHeight) {
            place.newPage = true;
            cur = 0;
        }
        place.y = cur;
        places.push_back(place);
        cur += rowStep;
    }
    return places;
}

} // namespace pdflayout
