#include "support/EnvironmentNumber.h"

#include <cerrno>
#include <cstdlib>
#include <stdexcept>
#include <string>

namespace TestSupport {

unsigned long long EnvironmentNumber(const char* name, unsigned long long fallback, unsigned long long least) {
    const char* text = std::getenv(name);
    if (!text || !*text) return fallback;
    const std::string value = text;
    errno = 0;
    const unsigned long long number = std::strtoull(value.c_str(), nullptr, 10);
    // strtoull alone takes "12abc" as 12, " 7" as 7 and "-1" as the largest number.
    if (value.find_first_not_of("0123456789") != std::string::npos || errno == ERANGE || number < least)
        throw std::invalid_argument(std::string(name) + "=\"" + value + "\": a number of at least " +
                                    std::to_string(least) + " is needed");
    return number;
}

}  // namespace TestSupport
