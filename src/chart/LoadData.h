// The data file of the chart page, "LoadData.js": LoadData() returns the chart's title, y unit,
// chart type, labels and series; LoadOption() the chart options.
#pragma once

#include <string>

namespace zl {

class CHtmlChart;

// The file's text, every line ending in CR LF. Only series that have points and are enabled
// are written; *anySeries (when given) says whether there is at least one.
std::string BuildLoadData(const CHtmlChart& chart, bool* anySeries = nullptr);

// `text` as the inside of a double-quoted JavaScript string literal: backslash, double quote
// and control characters escaped, '<' as \u003c (no "</script>" or "<!--" can appear) and the
// line separators U+2028 and U+2029 as \u2028 and \u2029. Other bytes are kept (UTF-8).
std::string JsStringEscape(const std::string& text);

// A point value as the page gets it: rounded to a whole number, halves away from zero.
std::string FormatPointValue(double value);

}  // namespace zl
