// Declarations of the token vendor's library (TOKENAPI.DLL) as this tool
// uses it: 27 functions with C linkage, 32-bit results and 32-bit handles.
// A handle of 0 means "none"; a boolean result of 0 means failure.
//
// The tool includes only this header. It links either to the vendor's
// library or to the substitute built from softtoken/ (libtokenapi.so on
// Linux, TOKENAPI.DLL on Windows); both export exactly these names.
#ifndef TOKEN_TOKENAPI_H
#define TOKEN_TOKENAPI_H

#include <stdint.h>

// TOKENAPI(type) is the whole of the linkage and calling convention of one
// exported function. On Windows the vendor's functions use the standard
// calling convention and are imported from the DLL; the substitute library
// defines TOKENAPI_BUILDING_LIBRARY while it builds itself so that it
// exports them instead.
#if defined(_WIN32)
#  define TOKENAPI_CALL __stdcall
#  if defined(TOKENAPI_BUILDING_LIBRARY)
#    define TOKENAPI_LINKAGE __declspec(dllexport)
#  else
#    define TOKENAPI_LINKAGE __declspec(dllimport)
#  endif
#else
#  define TOKENAPI_CALL
#  define TOKENAPI_LINKAGE __attribute__((visibility("default")))
#endif
#define TOKENAPI(type) TOKENAPI_LINKAGE type TOKENAPI_CALL

typedef uint32_t RT_RESULT; // boolean result: nonzero is success
typedef uint32_t RT_HANDLE; // enumeration, reader or FCP handle; 0 = none

#ifdef __cplusplus
extern "C" {
#endif

// Reader enumeration: readers whose names contain the filter text.
TOKENAPI(RT_HANDLE) rtEnumReadersA(const char* nameFilter);
TOKENAPI(int32_t) rtGetReadersCount(RT_HANDLE enumeration);
// Copies the NUL-terminated name of reader `index` into `name`, whose size
// `*length` gives on entry; `*length` is set to the name's length.
TOKENAPI(RT_RESULT) rtGetReaderNameFromListA(RT_HANDLE enumeration, uint32_t index,
                                             char* name, uint32_t* length);
TOKENAPI(RT_RESULT) rtEnumReadersClose(RT_HANDLE enumeration);

// Readers and sessions.
TOKENAPI(RT_HANDLE) rtOpenReaderA(const char* readerName);
TOKENAPI(RT_RESULT) rtGetTokenID(RT_HANDLE reader, uint32_t* tokenId);
TOKENAPI(RT_RESULT) rtLock(RT_HANDLE reader);
TOKENAPI(RT_RESULT) rtLoginA(RT_HANDLE reader, uint8_t userType, const char* pin);
TOKENAPI(RT_RESULT) rtLogout(RT_HANDLE reader);
TOKENAPI(RT_RESULT) rtUnlock(RT_HANDLE reader);
TOKENAPI(RT_RESULT) rtCloseReader(RT_HANDLE reader);

// Selection. `reserved` is always 0; `flags` of rtSelectByPath is always 1.
TOKENAPI(RT_RESULT) rtSelectMF(RT_HANDLE reader, uint32_t reserved);
TOKENAPI(RT_RESULT) rtSelectUpperFolder(RT_HANDLE reader, uint32_t reserved);
TOKENAPI(RT_RESULT) rtSelectByPath(RT_HANDLE reader, const uint16_t* ids, uint32_t idCount,
                                   uint32_t flags, RT_HANDLE fcp);
// mode 0 with id 0: first child of the current folder; mode 2: the child
// after the one with `id`. A folder child becomes the current folder.
TOKENAPI(RT_RESULT) rtSelectChildFileObject(RT_HANDLE reader, uint16_t id, uint32_t mode,
                                            RT_HANDLE fcp);

// Objects in the current folder. `attributes` holds `attributeCount`
// entries of 6 bytes each.
TOKENAPI(RT_RESULT) rtCreateFolder(RT_HANDLE reader, uint16_t id, const uint8_t* attributes,
                                   uint32_t attributeCount);
TOKENAPI(RT_RESULT) rtCreateFile(RT_HANDLE reader, uint16_t id, uint16_t size,
                                 const uint8_t* attributes, uint32_t attributeCount);
TOKENAPI(RT_RESULT) rtDeleteCurrentFileObject(RT_HANDLE reader);

// Contents of the current file.
TOKENAPI(RT_RESULT) rtReadFile(RT_HANDLE reader, uint32_t position, void* target, uint32_t count,
                               uint32_t* countRead);
TOKENAPI(RT_RESULT) rtUpdateFile(RT_HANDLE reader, uint32_t position, const void* data,
                                 uint32_t length, uint32_t* countWritten);
TOKENAPI(RT_RESULT) rtGetTokenFreeMemory(RT_HANDLE reader, uint32_t* freeBytes);
TOKENAPI(RT_RESULT) rtGetLastError(uint32_t* error);

// File-control parameters (FCP): filled by a selection or a child step.
TOKENAPI(RT_HANDLE) rtFCP_CreateFCP(void);
TOKENAPI(RT_RESULT) rtFCP_RemoveFCP(RT_HANDLE fcp);
TOKENAPI(RT_RESULT) rtFCP_GetFileLength(RT_HANDLE fcp, uint16_t* length);
TOKENAPI(RT_RESULT) rtFCP_GetFileID(RT_HANDLE fcp, uint16_t* id);
TOKENAPI(RT_RESULT) rtFCP_GetIsFolder(RT_HANDLE fcp, uint32_t* isFolder);

#ifdef __cplusplus
}
#endif

#endif
