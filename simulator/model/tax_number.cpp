#include "simulator/model/tax_number.h"

#include <array>

namespace sim {

bool isValidTaxNumber(std::string_view number) {
  static constexpr std::array<int, 10> kWeights = {5, 4, 3, 2, 7, 6, 5, 4, 3, 2};
  if (number.size() != 11) return false;
  for (const char c : number) {
    if (c < '0' || c > '9') return false;
  }
  int sum = 0;
  for (std::size_t i = 0; i < kWeights.size(); ++i) sum += (number[i] - '0') * kWeights[i];
  int check = 11 - sum % 11;
  if (check == 11) check = 0;
  if (check == 10) return false;
  return number[10] - '0' == check;
}

}  // namespace sim
