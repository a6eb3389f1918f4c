// One token operation through the substitute library, on a store of 8
// readers: enumerate, count, name, open, lock, log out, log in, close the
// enumeration, select a board, log out, unlock, close. Timed for the first
// and the last slot, on tokens without boards and with 100 boards of three
// files, first as the raw library calls and then as the token layer's
// probeSlot and getFreeMemory, which boardtool runs.
#include "perf_store.h"
#include "token/board_ops.h"
#include "token/tokenapi.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include <unistd.h>

namespace {

constexpr unsigned READERS = 8;

// One store per board count, made on first use and kept for the run.
void useStore(unsigned boards)
{
    static std::map<unsigned, std::string> stores;
    auto found = stores.find(boards);
    if (found == stores.end()) {
        auto dir = std::filesystem::temp_directory_path() /
                   ("token-op-bench-" + std::to_string(boards) + "-" + std::to_string(::getpid()));
        writePerfStore(dir.string(), {READERS, boards, 3});
        found = stores.emplace(boards, dir.string()).first;
    }
    ::setenv("SOFTTOKEN_DIR", found->second.c_str(), 1);
}

struct StoreCleanup {
    ~StoreCleanup()
    {
        for (unsigned boards : {0u, 100u}) {
            std::error_code ignored;
            std::filesystem::remove_all(std::filesystem::temp_directory_path() /
                                            ("token-op-bench-" + std::to_string(boards) + "-" +
                                             std::to_string(::getpid())),
                                        ignored);
        }
    }
} cleanup;

// The calls of one probeSlot, straight on the library. Returns false when
// one that must succeed did not.
bool rawOperation(std::uint32_t slot, std::uint16_t board)
{
    RT_HANDLE e = rtEnumReadersA("KeyToken");
    if (e == 0 || rtGetReadersCount(e) < 1) {
        return false;
    }
    char name[1024] = {};
    std::uint32_t length = sizeof name;
    bool ok = rtGetReaderNameFromListA(e, slot, name, &length) != 0;
    RT_HANDLE h = ok ? rtOpenReaderA(name) : 0;
    ok = h != 0 && rtLock(h) != 0;
    if (ok) {
        rtLogout(h);
        ok = rtLoginA(h, 2, "Qwmzhvoa") != 0;
    }
    rtEnumReadersClose(e);
    if (ok) {
        ok = rtSelectByPath(h, &board, 1, 1, 0) != 0;
    }
    if (h != 0) {
        rtLogout(h);
        rtUnlock(h);
        rtCloseReader(h);
    }
    return ok;
}

// Arguments: slot, boards per token.
void BM_RawTokenOperation(benchmark::State& state)
{
    auto slot = static_cast<unsigned>(state.range(0));
    auto boards = static_cast<unsigned>(state.range(1));
    useStore(boards);
    // The board looked for: the token's last board, or any ID on a token
    // without boards (the selection then fails, which costs the same).
    std::uint16_t board = perfBoardId(slot, boards > 0 ? boards - 1 : 0);
    for (auto _ : state) {
        if (!rawOperation(slot, board) && boards > 0) {
            state.SkipWithError("the operation failed");
            break;
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_RawTokenOperation)
    ->ArgNames({"slot", "boards"})
    ->ArgsProduct({{0, 7}, {0, 100}})
    ->Unit(benchmark::kMicrosecond);

void BM_ProbeSlot(benchmark::State& state)
{
    auto slot = static_cast<unsigned>(state.range(0));
    useStore(100);
    TokenPath path{};
    path.depth = 1;
    path.ids[0] = perfBoardId(slot, 99);
    for (auto _ : state) {
        benchmark::DoNotOptimize(probeSlot(path, static_cast<std::uint16_t>(slot)));
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_ProbeSlot)->ArgName("slot")->Arg(0)->Arg(7)->Unit(benchmark::kMicrosecond);

void BM_GetFreeMemory(benchmark::State& state)
{
    useStore(100);
    for (auto _ : state) {
        benchmark::DoNotOptimize(getFreeMemory(7));
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_GetFreeMemory)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
