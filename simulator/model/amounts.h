// Fixed-point numbers of the printer's fields: decimal digits of a fixed width
// with implied decimals, and their printed forms.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sim {

// Largest amount a document, a line or a payment may reach: eleven digits of
// cents (999 999 999.99).
inline constexpr std::int64_t kMaxAmountCents = 99'999'999'999;

// The value of a text of exactly `width` decimal digits, or nothing when the
// text has another length or any other character.
std::optional<std::int64_t> parseDigits(std::string_view text, std::size_t width);

// Amount of a line in cents: quantity (4 implied decimals) times unit price in
// cents, rounded half up. Nothing when the result exceeds kMaxAmountCents.
std::optional<std::int64_t> lineAmount(std::int64_t quantity, std::int64_t unitPriceCents);

// Part of a tax-included amount that is tax at `rate` hundredths of a percent.
std::int64_t includedTax(std::int64_t grossCents, std::int64_t rate);

// Tax to add to a net amount at `rate` hundredths of a percent.
std::int64_t addedTax(std::int64_t netCents, std::int64_t rate);

// "1234.56", "-0.50": cents with two decimals and a sign when negative.
std::string formatCents(std::int64_t cents);

// "1.0000": a quantity with four implied decimals.
std::string formatQuantity(std::int64_t quantity);

// "21.00%": a rate in hundredths of a percent.
std::string formatRate(std::int64_t rate);

// "00000000100": a non-negative number as `width` digits with leading zeros.
std::string zeroPadded(std::int64_t value, std::size_t width);

}  // namespace sim
