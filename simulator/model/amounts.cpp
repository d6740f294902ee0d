#include "simulator/model/amounts.h"

#include <cstdio>
#include <cstdlib>

namespace sim {
namespace {

// a * b / divisor rounded half up, for non-negative a, b whose product fits.
std::int64_t roundedQuotient(std::int64_t product, std::int64_t divisor) {
  return (product + divisor / 2) / divisor;
}

std::string withDecimals(std::int64_t value, std::int64_t scale, int decimals) {
  const std::int64_t magnitude = std::llabs(value);
  char text[48];
  std::snprintf(text, sizeof text, "%s%lld.%0*lld", value < 0 ? "-" : "",
                static_cast<long long>(magnitude / scale), decimals,
                static_cast<long long>(magnitude % scale));
  return text;
}

}  // namespace

std::optional<std::int64_t> parseDigits(std::string_view text, std::size_t width) {
  if (text.size() != width || width == 0 || width > 18) return std::nullopt;
  std::int64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

std::optional<std::int64_t> lineAmount(std::int64_t quantity, std::int64_t unitPriceCents) {
  constexpr std::int64_t kQuantityScale = 10'000;
  if (quantity < 0 || unitPriceCents < 0) return std::nullopt;
  if (quantity != 0 && unitPriceCents > (kMaxAmountCents * kQuantityScale) / quantity) {
    return std::nullopt;  // the product would pass the limit (and could overflow)
  }
  const std::int64_t amount = roundedQuotient(quantity * unitPriceCents, kQuantityScale);
  if (amount > kMaxAmountCents) return std::nullopt;
  return amount;
}

std::int64_t includedTax(std::int64_t grossCents, std::int64_t rate) {
  return roundedQuotient(grossCents * rate, 10'000 + rate);
}

std::int64_t addedTax(std::int64_t netCents, std::int64_t rate) {
  return roundedQuotient(netCents * rate, 10'000);
}

std::string formatCents(std::int64_t cents) {
  return withDecimals(cents, 100, 2);
}

std::string formatQuantity(std::int64_t quantity) {
  return withDecimals(quantity, 10'000, 4);
}

std::string formatRate(std::int64_t rate) {
  return withDecimals(rate, 100, 2) + "%";
}

std::string zeroPadded(std::int64_t value, std::size_t width) {
  char text[32];
  std::snprintf(text, sizeof text, "%0*lld", static_cast<int>(width),
                static_cast<long long>(value));
  return text;
}

}  // namespace sim
