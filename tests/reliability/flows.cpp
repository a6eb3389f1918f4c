#include "flows.h"

namespace {

const std::string READER0 = "KeyToken 0";
const std::string READER1 = "KeyToken 1";

std::string id(unsigned value)
{
    return std::to_string(value);
}

std::string dataPath(unsigned board)
{
    return id(board) + "/0x1001";
}

// Two tokens, each with a board that no flow touches.
std::vector<SetupStep> twoTokens()
{
    return {
        {{"add", READER0}, ""},
        {{"add", READER1}, ""},
        {{"mkdir", READER0, "900"}, ""},
        {{"write", READER0, dataPath(900)}, patternBytes(200, 900)},
        {{"mkdir", READER1, "901"}, ""},
        {{"write", READER1, dataPath(901)}, patternBytes(120, 901)},
        {{"write", READER1, "901/0x3003"}, patternBytes(30, 3003)},
    };
}

std::vector<SetupStep> with(std::vector<SetupStep> steps, const std::vector<SetupStep>& more)
{
    steps.insert(steps.end(), more.begin(), more.end());
    return steps;
}

// Board 5's data file: 600 bytes, so that reading it takes three chunks.
const std::string SOURCE = patternBytes(600, 5);

std::vector<Flow> makeFlows()
{
    std::vector<Flow> flows;
    flows.push_back({"create on a new board", Operation::Create, 0, 7, twoTokens(), "", false});
    flows.push_back({"create on an existing board", Operation::Create, 0, 7,
                     with(twoTokens(), {{{"mkdir", READER1, "7"}, ""},
                                        {{"write", READER1, dataPath(7)}, patternBytes(500, 7)}}),
                     "", false});
    flows.push_back({"move within one token", Operation::Move, 5, 7,
                     with(twoTokens(), {{{"mkdir", READER0, "5"}, ""},
                                        {{"write", READER0, dataPath(5)}, SOURCE}}),
                     SOURCE, false});
    flows.push_back({"move across tokens to a new board", Operation::Move, 5, 7,
                     with(twoTokens(), {{{"mkdir", READER1, "5"}, ""},
                                        {{"write", READER1, dataPath(5)}, SOURCE}}),
                     SOURCE, false});
    flows.push_back({"move onto a board whose data file exists", Operation::Move, 5, 7,
                     with(twoTokens(), {{{"mkdir", READER0, "5"}, ""},
                                        {{"write", READER0, dataPath(5)}, SOURCE},
                                        {{"write", READER0, "5/0x2002"}, patternBytes(10, 2002)},
                                        {{"mkdir", READER1, "7"}, ""},
                                        {{"write", READER1, dataPath(7)}, patternBytes(300, 7)}}),
                     SOURCE, true});
    flows.push_back({"delete with a data file", Operation::Delete, 5, 0,
                     with(twoTokens(), {{{"mkdir", READER1, "5"}, ""},
                                        {{"write", READER1, dataPath(5)}, SOURCE}}),
                     "", false});
    flows.push_back({"delete without a data file", Operation::Delete, 5, 0,
                     with(twoTokens(), {{{"mkdir", READER1, "5"}, ""}}), "", false});
    return flows;
}

} // namespace

const std::vector<Flow>& sweepFlows()
{
    static const std::vector<Flow> flows = makeFlows();
    return flows;
}

std::string patternBytes(std::size_t size, unsigned seed)
{
    std::string bytes(size, '\0');
    std::uint32_t state = seed * 2654435761u + 7u;
    for (auto& byte : bytes) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<char>(state >> 23);
    }
    return bytes;
}

std::vector<std::string> finishedStateProblems(const Flow& flow, const StoreState& after)
{
    std::vector<std::string> problems;
    const std::uint16_t from = flow.fromBoard;
    const std::uint16_t to = flow.toBoard;
    switch (flow.operation) {
    case Operation::Create:
        if (!holdsData(after, to, std::string(340, '\0'))) {
            problems.push_back("board " + id(to) + " has no data file of 340 zero bytes");
        }
        break;
    case Operation::Move:
        if (!holdsData(after, to, flow.sourceBytes)) {
            problems.push_back("board " + id(to) + " does not hold the source bytes");
        }
        if (!dataFiles(after, from).empty()) {
            problems.push_back("board " + id(from) + " still has a data file");
        }
        if (boardCount(after, from) != (flow.sourceKeepsFolder ? 1 : 0)) {
            problems.push_back("board " + id(from) + " folder count is " +
                               id(static_cast<unsigned>(boardCount(after, from))));
        }
        break;
    case Operation::Delete:
        if (!dataFiles(after, from).empty()) {
            problems.push_back("board " + id(from) + " still has a data file");
        }
        if (boardCount(after, from) != 0) {
            problems.push_back("board " + id(from) + " folder is still there");
        }
        break;
    }
    return problems;
}

std::vector<std::string> invariantProblems(const Flow& flow, const StoreState& before,
                                           const StoreState& after, bool& dataLost)
{
    std::vector<std::string> problems;
    const std::uint16_t changed = flow.operation == Operation::Delete ? 0 : flow.toBoard;
    const std::uint16_t emptied = flow.operation == Operation::Create ? 0 : flow.fromBoard;
    if (restOfStore(after, changed, emptied) != restOfStore(before, changed, emptied)) {
        problems.push_back("objects outside the flow's boards changed");
    }
    dataLost = false;
    if (flow.operation == Operation::Move) {
        if (!holdsData(after, flow.fromBoard, flow.sourceBytes) &&
            !holdsData(after, flow.toBoard, flow.sourceBytes)) {
            dataLost = true;
            problems.push_back("DATA LOST: the source bytes are on neither board");
        }
        for (const auto& file : dataFiles(after, flow.fromBoard)) {
            if (file != flow.sourceBytes) {
                problems.push_back("the source data file was altered");
            }
        }
    }
    return problems;
}
