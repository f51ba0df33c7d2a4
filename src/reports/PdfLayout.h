#pragma once

#include <QRect>

#include <vector>

// Where the measurement report puts things, in device pixels of the page, as
// plain functions so the arithmetic can be checked without drawing.
namespace pdflayout {

// Vertical advance of one report line.
constexpr int rowStep = 100;
// Room kept free at the right end of a remark line.
constexpr int remarkRightGap = 30;
// Room between a label and its value, and between two columns of fields.
constexpr int labelGap = 25;
constexpr int columnGap = 60;

// The page's usable width and its two column units: a ninth and a half of it,
// both truncated.
struct PageColumns
{
    int width = 0;
    int colW = 0;
    int half = 0;
};
PageColumns pageColumns(const QRect& viewport);

// A stretch of the page's width.
struct Span
{
    int x = 0;
    int width = 0;
    int right() const { return x + width; }
};

// count equal spans across whole, gap apart; the last one ends where whole ends.
std::vector<Span> columns(Span whole, int count, int gap);

// Where the values of a column of fields start, given its widest label and
// widest value: after that label and the gap. When both do not fit side by
// side, labels give way, but only down to half the column (they wrap below).
int valueX(Span column, qreal widestLabel, qreal widestValue);

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
