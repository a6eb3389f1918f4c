// Scope guards, each owning one library handle. A guard whose handle is 0
// calls nothing; release results are never tested.
#ifndef TOKEN_GUARDS_H
#define TOKEN_GUARDS_H

#include <cstdint>

class enumReadersGuard {
public:
    explicit enumReadersGuard(std::uint32_t handle);
    ~enumReadersGuard(); // rtEnumReadersClose
    enumReadersGuard(const enumReadersGuard&) = delete;
    enumReadersGuard& operator=(const enumReadersGuard&) = delete;

    std::uint32_t handle;
};

class readerGuard {
public:
    explicit readerGuard(std::uint32_t handle);
    ~readerGuard(); // rtLogout, rtUnlock, rtCloseReader
    readerGuard(const readerGuard&) = delete;
    readerGuard& operator=(const readerGuard&) = delete;

    std::uint32_t handle;
};

class fcpGuard {
public:
    fcpGuard(); // rtFCP_CreateFCP
    ~fcpGuard(); // rtFCP_RemoveFCP
    fcpGuard(const fcpGuard&) = delete;
    fcpGuard& operator=(const fcpGuard&) = delete;

    std::uint32_t handle;
};

#endif
