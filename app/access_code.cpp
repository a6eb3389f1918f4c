#include "app/access_code.h"

#include <cstring>

#include "app/modes.h"

const char ACCESS_CODE_MASK[ACCESS_CODE_MASK_LENGTH + 1] = "Qm7#xT2pLw9zR4eKd";
const unsigned char MASKED_ACCESS_CODE[ACCESS_CODE_LENGTH + 1] = {0x07, 0x06, 0x0E, 0x10, 0x09,
                                                                  0x00};

static_assert(sizeof(WorkingObjects::accessCodeMask) == sizeof ACCESS_CODE_MASK);
static_assert(sizeof(WorkingObjects::maskedAccessCode) == sizeof MASKED_ACCESS_CODE);
static_assert(ACCESS_CODE_LENGTH <= ACCESS_CODE_MASK_LENGTH &&
              ACCESS_CODE_LENGTH <= TYPED_TEXT_CAPACITY);

void loadAccessCodeRecords(WorkingObjects& objects)
{
    std::memcpy(objects.accessCodeMask, ACCESS_CODE_MASK, sizeof ACCESS_CODE_MASK);
    std::memcpy(objects.maskedAccessCode, MASKED_ACCESS_CODE, sizeof MASKED_ACCESS_CODE);
}

bool checkAccessCode(const WorkingObjects& objects, const char* typed)
{
    if (typed == nullptr) {
        return false;
    }
    // Every one of the code's characters must be typed and match; the text
    // ends at its NUL, so a shorter text (Enter alone included) is refused.
    // Whatever follows the code's last character is not compared.
    for (std::size_t i = 0; i < ACCESS_CODE_LENGTH; ++i) {
        if (typed[i] == '\0') {
            return false;
        }
        const auto masked = static_cast<unsigned char>(
            static_cast<unsigned char>(typed[i]) ^ static_cast<unsigned char>(objects.accessCodeMask[i]));
        if (masked != objects.maskedAccessCode[i]) {
            return false;
        }
    }
    return true;
}
