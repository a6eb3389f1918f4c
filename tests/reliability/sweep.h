// The fault and crash sweeps: a flow is run once with tracing to learn its
// sequence of library calls, then once per call from a fresh copy of its
// store with exactly that call failing (or the process killed at it), and
// every run is checked for its outcome, its log, leaks, locks, torn files,
// lost data and whether the next run works without repair.
#ifndef TESTS_RELIABILITY_SWEEP_H
#define TESTS_RELIABILITY_SWEEP_H

#include <string>
#include <vector>

#include "flows.h"

enum class Injection { Fail, Abort };

struct SweepTotals {
    int flows = 0;
    int injections = 0; // calls at which a fault was injected
    int runs = 0;       // boardtool processes started
    int dataLost = 0;   // runs after which a move's source bytes were gone
};

// One library call of a trace: its name and its occurrence among the
// calls of that name (1 for the first).
struct TracedCall {
    std::string name;
    int occurrence = 0;
    std::string line;
};

std::vector<TracedCall> parseTrace(const std::string& text);

// Sweeps the flow; every problem is reported as a test failure naming the
// flow and the call. Adds to the totals.
void sweepFlow(const Flow& flow, Injection injection, SweepTotals& totals);

// "fault sweep: 7 flows, N injections, M runs, data lost: 0"
std::string closingFigure(const std::string& sweep, const SweepTotals& totals);

#endif
