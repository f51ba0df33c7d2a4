#pragma once

#include <QRect>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

// Where the measurement report puts things, in device pixels of the page, as
// plain functions so the arithmetic can be checked without drawing.
namespace pdflayout {

// Vertical advance of one report row.
constexpr int rowStep = 100;
// Room kept free at the right end of a remark line.
constexpr int remarkRightGap = 30;

// The page's usable width and its two column units: a ninth and a half of it,
// both truncated.
struct PageColumns
{
    int width = 0;
    int colW = 0;
    int half = 0;
};
PageColumns pageColumns(const QRect& viewport);

// x of the test status value: half a column left of the values below it.
int statusValueX(int colW);

// Width of a text as it will be drawn.
using Measure = std::function<qreal(const QString&)>;

// Cuts one line into pieces, front to back, each the longest prefix whose
// width does not exceed maxWidth. Cuts fall between characters, never inside
// a surrogate pair; a single character wider than maxWidth still makes a
// piece of its own, so the text always gets through.
QStringList splitLine(const QString& line, qreal maxWidth, const Measure& width);

// A remark as drawn: split at every line feed, each part cut by splitLine.
// Blank lines draw nothing and take no room, so they are left out.
QStringList remarkLines(const QString& text, qreal maxWidth, const Measure& width);

// Where each of lineCount remark lines goes: the first at firstY, each next one
// a row lower; a line that would end below pageHeight starts a new page at its
// top (y = 0) instead.
struct LinePlace
{
    bool newPage = false;
    int y = 0;
};
std::vector<LinePlace> remarkPlaces(int lineCount, int firstY, int pageHeight);

} // namespace pdflayout
