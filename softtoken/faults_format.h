// Injected faults, kept in the store folder's "faults" file so that the CLI
// sets them and every later process using the library obeys them.
#ifndef SOFTTOKEN_FAULTS_FORMAT_H
#define SOFTTOKEN_FAULTS_FORMAT_H

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace softtoken {

struct Fault {
    std::uint64_t serial = 0; // unique within the store; a re-added fault counts afresh
    std::string call;         // one of the 27 function names
    std::uint32_t nth = 0;    // 0: every call; K: the K-th call in each process
    bool abort = false;       // end the process instead of failing the call
    std::string reader;       // empty: any reader
    // Set: the call does its work and succeeds, but reports this count in
    // its out-count instead of the true one (rtReadFile and rtUpdateFile).
    std::optional<std::uint32_t> count;
};

struct FaultList {
    std::uint64_t nextSerial = 1;
    std::vector<Fault> faults;
};

inline constexpr std::size_t MAX_FAULTS = 256;

// The 27 library functions, in declaration order.
const std::vector<std::string>& libraryFunctionNames();
bool isLibraryFunction(std::string_view name);
// The functions whose out-count a fault may falsify.
bool reportsCount(std::string_view name);

FaultList parseFaultsFile(std::string_view bytes);
std::string formatFaultsFile(const FaultList& list);
// "rtLock nth 2 abort reader KeyToken 0", "rtReadFile every count 0"
std::string describeFault(const Fault& fault);

} // namespace softtoken

#endif
