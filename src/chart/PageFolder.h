// The chart page folder: a private folder with the three page files and the data file.
#pragma once

#include <string>

namespace zl {

// File names inside the page folder.
extern const char* const kChartHtmlFile;  // "ZLXChart.html"
extern const char* const kChartLibFile;   // "ZLXChart.js"
extern const char* const kChartPageFile;  // "ZLXChart1.js"
extern const char* const kChartDataFile;  // "LoadData.js"

// The user's temporary folder: $TMPDIR when it names a folder, else /tmp; no trailing '/'.
std::string TempFolder();
// Makes a new folder "zlxXXXXXX" (unique, mode 0700) in the temporary folder; empty on failure.
std::string CreatePrivatePageFolder();
// Writes the three page files from the compiled-in resources into `folder`, each replaced
// atomically. A file that cannot be written is skipped; returns how many were written.
int WritePageFiles(const std::string& folder);
// Deletes the three page files and the data file; then, when `removeFolder`, the folder itself
// (only when it is empty). Errors are ignored.
void RemovePageFiles(const std::string& folder, bool removeFolder);
// "file://" address of the folder's ZLXChart.html: '\' becomes '/', and ' ', '%', '#' and '?'
// are percent-encoded so that no folder name can change the meaning of the address.
std::string PageUrlOf(const std::string& folder);
// `path` with every '\' turned into '/', and without trailing separators (except a lone "/").
std::string NormalizeFolder(const std::string& path);

}  // namespace zl
