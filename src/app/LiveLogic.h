#pragma once

#include <QString>
#include <QStringList>

// The live page's pure rules, kept apart from the window so tests reach them
// without one.
namespace livelogic {

// Test-current entries for an instrument model: 5 A to 100 A for an RV718A,
// 5 A to 200 A for anything else. The entry index is what the instrument
// takes as its current setting.
QStringList currentListFor(const QString& model);

// List index of a current reported in amperes (5 A is index 0, 10·n A is n).
int currentIndexFor(int amperes);

// Elapsed test time for a record: the set time minus the time left shown
// (its "S" removed; a text that is not a number counts as 0), with "S".
QString elapsedTestTime(int setSeconds, const QString& timeLeftText);

} // namespace livelogic
