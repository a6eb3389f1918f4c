#include "app/access_code.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/modes.h"
#include "process.h"

namespace {

WorkingObjects loadedObjects()
{
    WorkingObjects objects;
    loadAccessCodeRecords(objects);
    return objects;
}

// The code as the records define it: typed XOR mask = masked code.
std::string codeFromRecords()
{
    std::string code;
    for (std::size_t i = 0; i < ACCESS_CODE_LENGTH; ++i) {
        code.push_back(static_cast<char>(MASKED_ACCESS_CODE[i] ^
                                         static_cast<unsigned char>(ACCESS_CODE_MASK[i])));
    }
    return code;
}

} // namespace

TEST(AccessCodeRecords, SeventeenCharacterMaskAndFiveMaskedBytesEachWithItsNul)
{
    EXPECT_EQ(std::strlen(ACCESS_CODE_MASK), 17u);
    EXPECT_EQ(ACCESS_CODE_MASK[17], '\0');
    for (std::size_t i = 0; i < ACCESS_CODE_LENGTH; ++i) {
        EXPECT_NE(MASKED_ACCESS_CODE[i], 0) << i;
    }
    EXPECT_EQ(MASKED_ACCESS_CODE[5], 0);

    const WorkingObjects objects = loadedObjects();
    EXPECT_EQ(std::memcmp(objects.accessCodeMask, ACCESS_CODE_MASK, 18), 0);
    EXPECT_EQ(std::memcmp(objects.maskedAccessCode, MASKED_ACCESS_CODE, 6), 0);
}

TEST(AccessCodeRecords, PlainCodeAppearsNowhereInTheExecutable)
{
    const std::string code = codeFromRecords();
    const std::string executable = readFileBytes(BOARDTOOL_EXE);
    ASSERT_FALSE(executable.empty());
    EXPECT_EQ(executable.find(code), std::string::npos);
}

TEST(CheckAccessCode, AcceptsOnlyAllFiveCharactersTypedAndMatching)
{
    const WorkingObjects objects = loadedObjects();
    const std::string code = codeFromRecords();
    struct Case {
        std::string typed;
        bool accepted;
    };
    std::vector<Case> cases = {
        {code, true},
        {code + "x", true},
        {code + "abcdef", true},  // eleven characters, the rest ignored
        {"", false},
        {code.substr(0, 4), false},
        {code.substr(0, 1), false},
        {"x" + code, false},
        {"\x08" + code, false},
    };
    for (std::size_t i = 0; i < code.size(); ++i) {
        std::string wrong = code;
        wrong[i] = static_cast<char>(wrong[i] ^ 0x20);  // case or bit flipped
        cases.push_back({wrong, false});
        std::string cut = code;
        cut[i] = '\0';  // a key that delivers character 0 ends the text
        cases.push_back({cut, false});
    }
    for (const Case& c : cases) {
        char typed[12] = {};
        std::memcpy(typed, c.typed.data(), std::min<std::size_t>(c.typed.size(), 11));
        EXPECT_EQ(checkAccessCode(objects, typed), c.accepted) << '"' << c.typed << '"';
    }
    EXPECT_FALSE(checkAccessCode(objects, nullptr));
}

TEST(CheckAccessCode, ComparesAgainstTheRunsCopiedRecords)
{
    WorkingObjects objects;  // records not loaded: all zero
    const std::string code = codeFromRecords();
    EXPECT_FALSE(checkAccessCode(objects, code.c_str()));
}
