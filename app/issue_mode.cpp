// Command-file issuing: checks the two board numbers and the access code,
// then writes the command file that carries the pair.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

#include "app/access_code.h"
#include "app/console_keys.h"
#include "app/modes.h"
#include "cmdfile/command_file.h"
#include "cmdfile/command_file_name.h"
#include "cmdfile/filler_generator.h"

namespace {

constexpr unsigned long BOARD_LIMIT = 10000;

// Reads a board number as "%u" would: leading blanks, an optional sign,
// then decimal digits; whatever follows them is ignored. Returns nothing
// when no digit is there or the value is 10000 or more.
std::optional<std::uint32_t> parseBoard(const char* text)
{
    if (text == nullptr) {
        return std::nullopt;
    }
    char* end = nullptr;
    errno = 0;
    const unsigned long value = std::strtoul(text, &end, 10);
    if (end == text || errno == ERANGE || value >= BOARD_LIMIT) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

// The file is created in the working directory only: a text that names a
// folder or a drive is refused.
bool staysInWorkingDirectory(const char* text)
{
    return std::strpbrk(text, "/\\:") == nullptr;
}

// Control characters (a tab, a line end, an escape) would go into the file
// name, where no system treats them alike and a listing hides them.
bool hasControlCharacter(const char* text)
{
    for (const char* at = text; *at != '\0'; ++at) {
        const auto byte = static_cast<unsigned char>(*at);
        if (byte < 0x20 || byte == 0x7F) {
            return true;
        }
    }
    return false;
}

// Writes the body to a temporary file beside the target and renames it
// into place once it is written and closed, so that the target is either
// the complete new file or left as it was. Returns false on any failure,
// with the temporary file removed.
bool replaceCommandFile(const std::string& name, std::uint32_t fromBoard, std::uint32_t toBoard,
                        FillerGenerator& generator)
{
    const std::string temporary = "~" + name + ".tmp";
    std::remove(temporary.c_str());
    std::FILE* file = std::fopen(temporary.c_str(), "w");
    if (file == nullptr) {
        return false;
    }
    bool written = writeCommandFile(file, fromBoard, toBoard, generator);
    written = std::fflush(file) == 0 && written && std::ferror(file) == 0;
    written = std::fclose(file) == 0 && written;
    if (written) {
        std::error_code error;
        std::filesystem::rename(temporary, name, error);
        written = !error;
    }
    if (!written) {
        std::remove(temporary.c_str());
    }
    return written;
}

} // namespace

int issueCommandFile(WorkingObjects& objects, const char* fromText, const char* toText)
{
    FillerGenerator generator;
    generator.seed(static_cast<std::uint32_t>(std::time(nullptr)));

    const auto fromBoard = parseBoard(fromText);
    if (!fromBoard) {
        return 1;
    }
    const auto toBoard = parseBoard(toText);
    if (!toBoard) {
        return 1;
    }
    if (!staysInWorkingDirectory(fromText) || !staysInWorkingDirectory(toText) ||
        hasControlCharacter(fromText) || hasControlCharacter(toText)) {
        return 1;
    }

    std::printf("fromBoard=%i, toBoard=%i\n", static_cast<int>(*fromBoard),
                static_cast<int>(*toBoard));
    std::fflush(stdout);

    readHiddenText(objects.textBuffer, TYPED_TEXT_CAPACITY);
    objects.textBuffer[TYPED_TEXT_CAPACITY] = '\0';
    if (!checkAccessCode(objects, objects.textBuffer)) {
        return 1;
    }

    objects.commandFileName.clear();
    objects.commandFileName = buildCommandFileName(*fromBoard, *toBoard, fromText, toText);
    return replaceCommandFile(objects.commandFileName, *fromBoard, *toBoard, generator) ? 0 : 1;
}
