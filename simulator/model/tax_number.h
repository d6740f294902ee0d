// The eleven-digit tax identification number and its mod-11 check digit.
#pragma once

#include <string_view>

namespace sim {

// True when `number` is eleven decimal digits whose last digit is the check
// digit of the first ten: weights 5,4,3,2,7,6,5,4,3,2, check = 11 - (sum mod 11),
// where 11 becomes 0 and 10 makes every number with that prefix invalid.
bool isValidTaxNumber(std::string_view number);

}  // namespace sim
