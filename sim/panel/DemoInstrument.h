#pragma once

namespace sim {

// For the demo's main, after its main window is shown: runs the bus clock in
// real time, attaches one RV718B and opens the instrument panel beside the
// main window. A second call only brings the panel back (a new one if it was
// closed); the bus is set up once.
void startDemoInstrument();

} // namespace sim
