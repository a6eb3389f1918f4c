#include "token/discovery.h"

#include <algorithm>
#include <cstdio>

#include "token/guards.h"
#include "token/messages.h"
#include "token/rt_error.h"
#include "token/tokenapi.h"

namespace {

// The two compiled-in logins, by access level.
constexpr const char* PIN_LEVEL_1 = "uKDwarsoLGx";
constexpr const char* PIN_LEVEL_2 = "Qwmzhvoa";

constexpr std::uint32_t READER_NAME_SIZE = 1024;

// Reads the name of reader `index` of the enumeration; false when the
// library has no such reader. The name ends at its NUL (or at the end of
// the buffer, should the library not terminate it); the length the library
// reports back is not used.
bool readerName(std::uint32_t enumeration, std::uint32_t index, std::string& name)
{
    char buffer[READER_NAME_SIZE] = {};
    std::uint32_t length = READER_NAME_SIZE;
    if (rtGetReaderNameFromListA(enumeration, index, buffer, &length) == 0) {
        return false;
    }
    name.assign(buffer, std::find(buffer, buffer + READER_NAME_SIZE, '\0'));
    return true;
}

// The display suffix of a token ID: a blank, "0x", eight upper-case hex
// digits, a blank.
std::string tokenIdSuffix(std::uint32_t tokenId)
{
    char text[60] = {};
    std::snprintf(text, sizeof text, " 0x%08X ", static_cast<unsigned>(tokenId));
    return text;
}

} // namespace

std::vector<std::string> listTokens()
{
    std::vector<std::string> tokens;
    enumReadersGuard enumeration(rtEnumReadersA(READER_FILTER));
    if (enumeration.handle == 0) {
        throwTokenError(MSG_NO_ENUMERATOR, CODE_NO_ENUMERATOR);
    }
    std::int32_t count = rtGetReadersCount(enumeration.handle);
    if (count < 0) {
        throwTokenError(MSG_NO_TOKEN_AVAILABLE, CODE_NO_TOKEN_AVAILABLE);
    }
    for (std::int32_t index = 0; index < count; ++index) {
        std::string entry;
        if (!readerName(enumeration.handle, static_cast<std::uint32_t>(index), entry)) {
            throwTokenError(MSG_NO_SUCH_TOKEN, CODE_NO_SUCH_TOKEN);
        }
        // Opened only to read the token ID: no lock, no login. A reader
        // that cannot be opened is listed by its bare name.
        std::uint32_t reader = rtOpenReaderA(entry.c_str());
        if (reader != 0) {
            // An ID the library cannot report shows as 0, never as whatever
            // the variable happened to hold.
            std::uint32_t tokenId = 0;
            if (rtGetTokenID(reader, &tokenId) == 0) {
                tokenId = 0;
            }
            rtCloseReader(reader);
            entry += tokenIdSuffix(tokenId);
        }
        tokens.push_back(entry);
    }
    return tokens;
}

std::uint32_t openToken(std::uint8_t accessLevel, std::uint16_t slot)
{
    // Only the two known levels have a PIN. Any other level is refused
    // before the readers are even enumerated, so nothing is opened and no
    // login is attempted.
    const char* pin = nullptr;
    if (accessLevel == 1) {
        pin = PIN_LEVEL_1;
    } else if (accessLevel == 2) {
        pin = PIN_LEVEL_2;
    } else {
        throwTokenError(MSG_LOGIN_FAILED, CODE_LOGIN_FAILED);
    }

    enumReadersGuard enumeration(rtEnumReadersA(READER_FILTER));
    if (enumeration.handle == 0) {
        throwTokenError(MSG_NO_ENUMERATOR, CODE_NO_ENUMERATOR);
    }
    if (rtGetReadersCount(enumeration.handle) < 1) {
        throwTokenError(MSG_NO_TOKEN_AVAILABLE, CODE_NO_TOKEN_AVAILABLE);
    }
    // The slot is not checked against the count: a slot past the last
    // reader is found out here, and code 5 is how a slot search learns
    // that it has run out of readers.
    std::string name;
    if (!readerName(enumeration.handle, slot, name)) {
        throwTokenError(MSG_NO_SUCH_TOKEN, CODE_NO_SUCH_TOKEN);
    }
    std::uint32_t reader = rtOpenReaderA(name.c_str());
    if (reader == 0) {
        throwTokenError(MSG_TOKEN_FAULTY, CODE_TOKEN_FAULTY);
    }
    if (rtLock(reader) == 0) {
        rtCloseReader(reader);
        throwTokenError(MSG_LOCK_FAILED, CODE_LOCK_FAILED);
    }
    // Whatever login the token had is dropped before ours.
    rtLogout(reader);
    if (rtLoginA(reader, accessLevel, pin) == 0) {
        rtUnlock(reader);
        rtCloseReader(reader);
        throwTokenError(MSG_LOGIN_FAILED, CODE_LOGIN_FAILED);
    }
    return reader;
}
