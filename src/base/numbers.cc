#include "base/numbers.h"

#include <charconv>
#include <cmath>
#include <string>

#include "base/encoding.h"
#include "base/messages.h"

namespace sheetwright::base {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::optional<int32_t> TryParseInt(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i == text.size()) return std::nullopt;
  int64_t value = 0;
  for (; i < text.size(); ++i) {
    char c = text[i];
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
    if (value > int64_t{1} << 31) return std::nullopt;
  }
  if (negative) value = -value;
  if (value > INT32_MAX || value < INT32_MIN) return std::nullopt;
  return static_cast<int32_t>(value);
}

std::optional<double> TryParseFloat(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  if (!text.empty() && text.front() == '+') {
    text.remove_prefix(1);
    if (!text.empty() && text.front() == '-') return std::nullopt;
  }
  if (text.empty()) return std::nullopt;
  // from_chars would take "inf", "nan" and hex floats; the runtime takes plain decimals only.
  for (char c : text) {
    if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E'))
      return std::nullopt;
  }
  double value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
    return std::nullopt;
  return value;
}

int32_t StrToInt(std::string_view text) {
  if (auto v = TryParseInt(text)) return *v;
  throw ConversionError::BadField("'" + MessageText(text) + "' は整数ではありません", text);
}

double StrToFloat(std::string_view text) {
  if (auto v = TryParseFloat(text)) return *v;
  throw ConversionError::BadField("'" + MessageText(text) + "' は浮動小数点数ではありません", text);
}

}  // namespace sheetwright::base
