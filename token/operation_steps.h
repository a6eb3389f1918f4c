// Steps shared by the folder and file operations. Each operation opens the
// token itself:  readerGuard reader(openToken(OPERATION_ACCESS_LEVEL, slot));
#ifndef TOKEN_OPERATION_STEPS_H
#define TOKEN_OPERATION_STEPS_H

#include <cstdint>

#include "token/token_path.h"

// Every folder and file operation logs in at this level.
inline constexpr std::uint8_t OPERATION_ACCESS_LEVEL = 2;

// Selects the object the path names, resolved from the master folder; the
// FCP, when not 0, is filled with its control parameters. False when the
// library cannot select it.
bool selectPath(std::uint32_t reader, const TokenPath& path, std::uint32_t fcp = 0);

// Makes the parent of the path's object the current folder: the master
// folder for depth 1 (or 0), else the first depth-1 IDs. Raises code 13
// when it cannot be selected.
void selectParent(std::uint32_t reader, const TokenPath& path);

// The ID of the object the path names (element depth-1 of ids); the path
// has depth 1 or more.
std::uint16_t lastId(const TokenPath& path);

#endif
