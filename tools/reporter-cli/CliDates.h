// What lets reporter-cli run unattended: report dates relative to the day it runs on, and
// output file names with placeholders filled in from the report.
#pragma once

#include <string>

#include "base/SysTime.h"

namespace zl {

// The report date `text` names, seen from `today`: "YYYY-MM-DD", "today", "yesterday", "-Nd"
// (N days back, 0..36500), or "last-monday" .. "last-sunday" (the latest such weekday before
// today, a week back when today is that weekday). False when the text is none of these or
// the day falls outside 1601..9999.
bool ResolveCliDate(const std::string& text, const SYSTEMTIME& today, SYSTEMTIME* out);

struct OutputNameFields {
    SYSTEMTIME date{};    // the report date
    std::string range;    // "day", "week", "month"
    int counterType = 0;  // 1..7
    SYSTEMTIME now{};     // when the report is made
    std::string site;     // the site of a report per site (--each-site); empty otherwise
};

// `pattern` with {date} (YYYY-MM-DD), {range}, {type} (the counter type's number), {now}
// (YYYYMMDD-hhmmss) and {site} (only when fields.site is set) replaced; "{{" and "}}" stand for
// a brace. False with *error naming an unknown or unclosed placeholder.
bool ExpandOutputName(const std::string& pattern, const OutputNameFields& fields, std::string* out,
                      std::string* error);

// A site's name as a part of a file name: '/', control characters and a leading '.' become
// '_'; an empty name is "site".
std::string FileNamePart(const std::string& name);

}  // namespace zl
