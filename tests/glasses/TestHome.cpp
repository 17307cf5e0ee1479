// Every glasses test writes its log lines into a home folder of its own.
#include "tests/support/TemporaryHome.h"

[[maybe_unused]] static auto* const gHome =
    test_support::addTemporaryHomeEnvironment("tavro-glasses");
