// Every shell test keeps its user defaults and log lines in a home folder of its own.
#include "tests/support/TemporaryHome.h"

[[maybe_unused]] static auto* const gHome =
    test_support::addTemporaryHomeEnvironment("tavro-shell");
