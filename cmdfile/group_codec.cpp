#include "cmdfile/group_codec.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// The codec's results are the file format: arithmetic that may be
// reassociated or kept wider than a float would write other files.
#if defined(__FAST_MATH__)
#error "the command-file codec must not be built with -ffast-math"
#endif

namespace {

// The codec's constants. Every value the codec computes is rounded to a
// 32-bit float after each single operation; the operations themselves run
// in double precision on the widened float.
constexpr double SCALE_DOWN = 0.00001;
constexpr double QUARTER_TURN = 1.570796326794895;
// 1 / QUARTER_TURN; the double nearest to the extended-precision value.
constexpr double REVERSE_QUARTER_TURN = 0.63661977236758199783;
constexpr double MARGIN = 0.000001;
constexpr double SCALE_UP = 1000;

constexpr std::size_t GROUP_LENGTH = 6;

// Rounds to the nearest float. The volatile store keeps the compiler from
// carrying a wider intermediate into the next step, whatever the target's
// floating-point unit does.
float roundToFloat(double value)
{
    volatile float rounded = static_cast<float>(value);
    return rounded;
}

} // namespace

std::string encodeGroup(unsigned digit, unsigned hi, unsigned lo)
{
    const unsigned groupValue = (hi * 10 + digit) * 100 + lo;
    float x = roundToFloat(static_cast<double>(groupValue));
    x = roundToFloat(static_cast<double>(x) * SCALE_DOWN);
    x = roundToFloat(static_cast<double>(x) * QUARTER_TURN);
    const float s = roundToFloat(std::sin(static_cast<double>(x)));

    // "0.dddddd", or "1.000000" once the sine rounds up to 1: the group is
    // whatever follows the first two characters.
    char text[32] = {};
    std::snprintf(text, sizeof text, "%.6f", static_cast<double>(s));
    return std::string(text + 2, GROUP_LENGTH);
}

std::optional<unsigned> decodeGroup(std::string_view six)
{
    // "0." and up to six characters; a NUL among them ends the text there.
    char text[2 + GROUP_LENGTH + 1] = {'0', '.'};
    const std::size_t length = six.size() < GROUP_LENGTH ? six.size() : GROUP_LENGTH;
    std::memcpy(text + 2, six.data(), length);

    // The longest beginning that forms a decimal number is converted; the
    // text starts with "0.", so there always is one.
    const float v = std::strtof(text, nullptr);
    if (!(v > 0.0f && v <= 1.0f)) {
        return std::nullopt;
    }
    float y = roundToFloat(std::asin(static_cast<double>(v)));
    y = roundToFloat(static_cast<double>(y) * REVERSE_QUARTER_TURN);
    y = roundToFloat(static_cast<double>(y) + MARGIN);
    y = roundToFloat(static_cast<double>(y) * SCALE_UP);
    const auto n = static_cast<unsigned>(y);
    return n % 10;
}
