// The build's pin: the publisher an unsigned updater requires of setups.
#pragma once

#include "completion/PublisherCheck.h"

#include <optional>

// Returns the publisher set with the CMake cache variable UPDATER_SETUP_PUBLISHER
// when this executable was built, or nullopt when none was set. Defined in a
// source compiled into each updater executable (not into the core library), so
// that executables with different pins share one core.
std::optional<Publisher> SetupPublisherPin();
