// Texts that belong to the program rather than to a language file, and the window's icon.
#pragma once

#include <QIcon>

namespace zl {

// The About box: its text (%1: the project version), its title, and the entry that opens it.
inline constexpr const char* kResAboutText = "zelkoReporter , version %1";
inline constexpr const char* kResAboutTitle = "About";
inline constexpr const char* kResAboutMenu = "About zelkoReporter(&A)...";
inline constexpr const char* kResHelpMenu = "&Help";
// The text between the two height edits.
inline constexpr const char* kResHeightTo = "~";

// The window icon: a small bar chart, drawn at 16, 32 and 48 pixels.
QIcon ReportAppIcon();

}  // namespace zl
