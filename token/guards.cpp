#include "token/guards.h"

#include "token/tokenapi.h"

// Release results are not examined: there is nothing left to do about a
// handle that will not close.

enumReadersGuard::enumReadersGuard(std::uint32_t handle) : handle(handle)
{
}

enumReadersGuard::~enumReadersGuard()
{
    if (handle != 0) {
        rtEnumReadersClose(handle);
        handle = 0;
    }
}

readerGuard::readerGuard(std::uint32_t handle) : handle(handle)
{
}

readerGuard::~readerGuard()
{
    if (handle != 0) {
        rtLogout(handle);
        rtUnlock(handle);
        rtCloseReader(handle);
        handle = 0;
    }
}

fcpGuard::fcpGuard() : handle(rtFCP_CreateFCP())
{
}

fcpGuard::~fcpGuard()
{
    if (handle != 0) {
        rtFCP_RemoveFCP(handle);
        handle = 0;
    }
}
