#pragma once

#include <QString>

namespace sim {

// Sets up the simulated bus for one run of loop-tester-cli-demo from the
// environment, so that a test (or a person) can give the program the
// instruments and faults it needs:
//
//   LT_SIM_INSTRUMENTS       models to attach, e.g. "B,A" (RV718B, then
//                            RV718A); unset: one RV718B; empty: none
//   LT_SIM_SERIALS           USB serial numbers in the same order, e.g. "S1,S2"
//   LT_SIM_FAULTS            faults to switch on, e.g. "refusal" for every
//                            instrument or "1:silence" for the second one;
//                            names: silence, stray-report, wrong-checksum,
//                            field-out-of-range, wrong-command-code,
//                            missing-second-report, refusal, broken-link,
//                            babble, access-denied
//   LT_SIM_STORED            stored records each instrument holds (up to 200)
//   LT_SIM_UNANSWERED_GROUPS stored groups never answered, e.g. "5,17"
//   LT_SIM_TEST_TIME         the set test time in seconds
//   LT_SIM_RESISTANCE_UOHM   what the instruments measure, in μΩ
//   LT_SIM_COMPARISON_UOHM   comparison on, with this limit in μΩ
//   LT_SIM_CLOCK_SPEED       how much faster than real time the instruments
//                            run (50: a 30 s test takes 0.6 s)
//   LT_SIM_INSTANT_TIMEOUTS  "1": a read that gets no answer returns at once
//   LT_SIM_UNPLUG_AFTER_MS   unplugs the first instrument after this long
//   LT_SIM_WRITE_LOG         a file that receives every report written to
//                            the instruments ("path hex" per line), written
//                            when an instrument's state changes and at exit
//
// Returns an empty text, or what is wrong with a variable.
QString setUpCliDemo();

} // namespace sim
