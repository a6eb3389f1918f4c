// One group of a command file: six characters that carry one decimal digit
// between two random fillers, through the sine of a scaled group value.
#ifndef CMDFILE_GROUP_CODEC_H
#define CMDFILE_GROUP_CODEC_H

#include <optional>
#include <string>
#include <string_view>

// digit 0..9, hi and lo 0..99; returns exactly six characters.
std::string encodeGroup(unsigned digit, unsigned hi, unsigned lo);

// `six` holds the six characters of a group (shorter input is read as far
// as it goes). Returns the digit 0..9, or nothing when the group is bad.
std::optional<unsigned> decodeGroup(std::string_view six);

#endif
