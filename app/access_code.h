// The access code that the issuing mode asks for. Only its masked form is
// kept: a typed character XORed with the mask character at the same
// position must equal the masked code character there.
#ifndef APP_ACCESS_CODE_H
#define APP_ACCESS_CODE_H

#include <cstddef>

#include "app/working_objects.h"

inline constexpr std::size_t ACCESS_CODE_MASK_LENGTH = 17;
inline constexpr std::size_t ACCESS_CODE_LENGTH = 5;
// The typed text holds up to this many characters and its NUL.
inline constexpr std::size_t TYPED_TEXT_CAPACITY = 11;

// Each record is stored with its terminating NUL.
extern const char ACCESS_CODE_MASK[ACCESS_CODE_MASK_LENGTH + 1];
extern const unsigned char MASKED_ACCESS_CODE[ACCESS_CODE_LENGTH + 1];

// Copies both records into the run's working objects.
void loadAccessCodeRecords(WorkingObjects& objects);

#endif
