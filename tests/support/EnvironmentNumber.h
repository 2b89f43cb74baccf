// Numbers a test takes from its environment: a run's size, a seed to repeat.
#pragma once

namespace TestSupport {

// Returns the decimal number in the environment variable `name`, or
// `fallback` when it is unset or empty. Throws std::invalid_argument, naming
// the variable and its text, when the text is not a number (digits only) or
// the number is below `least`: a soak told to make no run would pass having
// tried nothing.
unsigned long long EnvironmentNumber(const char* name, unsigned long long fallback, unsigned long long least = 0);

}  // namespace TestSupport
