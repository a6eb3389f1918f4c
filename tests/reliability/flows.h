// The board operations the sweeps drive through every library call: each
// flow is a store to start from and one command file to execute on it,
// with what the finished operation must leave behind.
#ifndef TESTS_RELIABILITY_FLOWS_H
#define TESTS_RELIABILITY_FLOWS_H

#include <cstdint>
#include <string>
#include <vector>

#include "store_state.h"

enum class Operation { Create, Move, Delete };

struct SetupStep {
    std::vector<std::string> args; // softtoken command line after --dir
    std::string input;             // its standard input
};

struct Flow {
    std::string name;
    Operation operation = Operation::Create;
    std::uint16_t fromBoard = 0;
    std::uint16_t toBoard = 0;
    std::vector<SetupStep> setup;
    std::string sourceBytes;        // a move's source data file
    bool sourceKeepsFolder = false; // the source board holds more than its data file
};

// Create on a new board, create on an existing board, move within one
// token, move across tokens to a new board, move onto a board whose data
// file exists, delete with and without a data file.
const std::vector<Flow>& sweepFlows();

// Deterministic bytes, different for each seed.
std::string patternBytes(std::size_t size, unsigned seed);

// What a finished run (exit code 0) of the flow leaves on the tokens;
// each problem found is one line.
std::vector<std::string> finishedStateProblems(const Flow& flow, const StoreState& after);

// What must hold after any run, finished, failed or killed: everything
// outside the flow's boards is as it was, and a move's source bytes are
// on the source board or on the target board. `dataLost` is set when they
// are on neither.
std::vector<std::string> invariantProblems(const Flow& flow, const StoreState& before,
                                           const StoreState& after, bool& dataLost);

#endif
