#include "PdfLayout.h"

#include <QtMath>

namespace pdflayout {

PageColumns pageColumns(const QRect& viewport)
{
    PageColumns c;
    c.width = viewport.right() - viewport.left() + 1;
    c.colW = c.width / 9;
    c.half = c.width / 2;
    return c;
}

std::vector<Span> columns(Span whole, int count, int gap)
{
    std::vector<Span> spans;
    const int width = (whole.width - (count - 1) * gap) / qMax(count, 1);
    for (int i = 0; i < count; ++i)
        spans.push_back({whole.x + i * (width + gap), width});
    if (!spans.empty())
        spans.back().width = whole.right() - spans.back().x;
    return spans;
}

int valueX(Span column, qreal widestLabel, qreal widestValue)
{
    const int labelRoom = qCeil(widestLabel) + labelGap;
    return column.x + qMin(labelRoom, qMax(column.width / 2, column.width - qCeil(widestValue)));
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
