#pragma once

#include <QString>

namespace sim {

// The two breakers the sample history is about.
QString sampleBreaker(int index);

// Writes to the measurement journal the three poles of two breakers as they
// were measured on this day one and two years ago (the first breaker's pole C
// degrading), so that the history window has a trend to show before anyone
// has measured for years. Writes nothing when the journal already holds
// records of those breakers; call before the window opens the journal.
// Returns false when the journal cannot be written.
bool addSampleHistory();

} // namespace sim
