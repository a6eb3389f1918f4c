#include "call_sequences.h"

CallCounts operator+(CallCounts a, const CallCounts& b)
{
    for (const auto& [name, count] : b) {
        a[name] += count;
    }
    return a;
}

CallCounts times(std::uint64_t n, const CallCounts& counts)
{
    CallCounts out;
    for (const auto& [name, count] : counts) {
        out[name] = n * count;
    }
    return out;
}

std::uint64_t total(const CallCounts& counts)
{
    std::uint64_t sum = 0;
    for (const auto& entry : counts) {
        sum += entry.second;
    }
    return sum;
}

CallCounts openTokenCalls()
{
    return {{"rtEnumReadersA", 1}, {"rtGetReadersCount", 1}, {"rtGetReaderNameFromListA", 1},
            {"rtOpenReaderA", 1},  {"rtLock", 1},            {"rtLogout", 1},
            {"rtLoginA", 1},       {"rtEnumReadersClose", 1}};
}

CallCounts openPastEndCalls()
{
    return {{"rtEnumReadersA", 1}, {"rtGetReadersCount", 1}, {"rtGetReaderNameFromListA", 1},
            {"rtEnumReadersClose", 1}};
}

CallCounts releaseCalls()
{
    return {{"rtLogout", 1}, {"rtUnlock", 1}, {"rtCloseReader", 1}};
}

CallCounts listTokensCalls(unsigned readers)
{
    CallCounts perReader{{"rtGetReaderNameFromListA", 1}, {"rtOpenReaderA", 1},
                         {"rtGetTokenID", 1}, {"rtCloseReader", 1}};
    return CallCounts{{"rtEnumReadersA", 1}, {"rtGetReadersCount", 1}, {"rtEnumReadersClose", 1}} +
           times(readers, perReader);
}

CallCounts probeSlotCalls()
{
    return openTokenCalls() + CallCounts{{"rtSelectByPath", 1}} + releaseCalls();
}

CallCounts findSlotCalls(unsigned slot)
{
    return times(slot + 1u, probeSlotCalls());
}

CallCounts findSlotMissCalls(unsigned tokens)
{
    return times(tokens, probeSlotCalls()) + openPastEndCalls();
}

CallCounts listChildrenCalls(std::uint64_t children, std::uint64_t folders)
{
    // rtSelectByPath for a board folder; the master folder takes rtSelectMF
    // instead, one call either way. The callers here list boards only, and
    // the master folder through diagnosticsCalls.
    return openTokenCalls() +
           CallCounts{{"rtSelectByPath", 1},
                      {"rtFCP_CreateFCP", 1},
                      {"rtSelectChildFileObject", children + 1},
                      {"rtFCP_GetFileID", children},
                      {"rtFCP_GetIsFolder", children},
                      {"rtFCP_RemoveFCP", 1}} +
           (folders > 0 ? CallCounts{{"rtSelectUpperFolder", folders}} : CallCounts{}) +
           releaseCalls();
}

CallCounts freeMemoryCalls()
{
    return openTokenCalls() + CallCounts{{"rtGetTokenFreeMemory", 1}} + releaseCalls();
}

CallCounts readDataFileCalls(std::uint32_t size)
{
    CallCounts own{{"rtFCP_CreateFCP", 1}, {"rtSelectByPath", 1}, {"rtFCP_GetFileLength", 1},
                   {"rtFCP_RemoveFCP", 1}};
    if (perfChunkReads(size) > 0) {
        own["rtReadFile"] = perfChunkReads(size);
    }
    return openTokenCalls() + own + releaseCalls();
}

CallCounts writeDataFileCalls(bool replacing)
{
    // Select the file, select its board folder (by path, as the file's
    // parent is not the master folder), select the new file.
    CallCounts own{{"rtSelectByPath", 3}, {"rtCreateFile", 1}, {"rtUpdateFile", 1}};
    if (replacing) {
        own["rtDeleteCurrentFileObject"] = 1;
    }
    return openTokenCalls() + own + releaseCalls();
}

CallCounts createNewFolderCalls()
{
    return openTokenCalls() +
           CallCounts{{"rtSelectByPath", 1}, {"rtSelectMF", 1}, {"rtCreateFolder", 1}} +
           releaseCalls();
}

CallCounts deleteObjectCalls()
{
    return openTokenCalls() + CallCounts{{"rtSelectByPath", 1}, {"rtDeleteCurrentFileObject", 1}} +
           releaseCalls();
}

CallCounts diagnosticsCalls(const PerfStoreShape& shape)
{
    // The master folder's listing selects it with rtSelectMF, not by path.
    CallCounts masterListing = listChildrenCalls(shape.boards, shape.boards);
    masterListing.erase("rtSelectByPath");
    masterListing["rtSelectMF"] += 1;

    CallCounts board = listChildrenCalls(shape.filesPerBoard, 0);
    for (unsigned f = 0; f < shape.filesPerBoard; ++f) {
        board = board + readDataFileCalls(PERF_FILE_SIZES[f % 3]);
    }
    CallCounts token = masterListing + freeMemoryCalls() + times(shape.boards, board);
    return listTokensCalls(shape.tokens) + times(shape.tokens, token);
}
