// Number parsing with Delphi's StrToInt / StrToFloat rules and their exact failure texts. A field that
// must be a number but is not ends the whole conversion (ConversionError).
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace sheetwright::base {

// Decimal integer with an optional sign, leading blanks allowed. Empty text, any other character,
// or a value outside the signed 32-bit range is not an integer.
std::optional<int32_t> TryParseInt(std::string_view text);

// A finite decimal number ("12", "-0.05", "1.5e3"), leading and trailing blanks allowed.
std::optional<double> TryParseFloat(std::string_view text);

// As above, but a failure throws ConversionError: "'%s' は整数ではありません" and
// "'%s' は浮動小数点数ではありません", the text (decoded from CP932) in place of %s.
int32_t StrToInt(std::string_view text);
double StrToFloat(std::string_view text);

}  // namespace sheetwright::base
