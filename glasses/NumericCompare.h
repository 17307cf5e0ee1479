#pragma once
// Compares version texts the way a person reads them: runs of decimal digits compare as
// numbers ("1.9" < "1.65" < "1.100"), everything else byte by byte, with no locale. Pure
// and total: any bytes compare, none can make it fail. Thread-safe.

#include <string_view>

// Negative, 0 or positive as `a` orders before, with or after `b`.
int numericCompare(std::string_view a, std::string_view b);
