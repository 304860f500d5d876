// Queue length monitoring keeps its records in three files of one folder; the queue measure
// chooses the file. These functions point a site's handles at the measure's file.
#pragma once

#include <string>
#include <vector>

namespace zl {

struct SiteRecord;

// Opens the site's handle on the database of queue measure 0..3 (0 and 3 the waiting file, 1
// the main file, 2 the served file), in place on `site`:
// - a local site (2) whose localDB is a ".db" file of another counter type is refused (0);
// - a ".db" path of a local or device site has its "QueueLengthMonitoring.db" ending replaced
//   by the measure's file and is opened with a new local object (localDB unchanged);
// - a folder, or a server site's path, becomes the measure's file below the root folder; a
//   server site gets a new clientOther (connected, logged in, the file opened on the server,
//   localDB set to it), a local site a new local object on it; a device site keeps its
//   handles.
// Answers 1 when the site was re-pointed (opening failures are silent and leave the handle
// unopened), 0 when it was refused or the measure is not 0..3 (nothing changed).
int OpenQueueDatabase(int measure, SiteRecord& site);

// For counter type 7 only: re-points every site of the list to the measure's database; a site
// that is refused keeps its entry unchanged. Other counter types: nothing.
void RefreshQueueSites(std::vector<SiteRecord>& sites, int counterType, int measure);

// The file a local handle of the site opens for the measure: a ".db" path has its main queue
// file name replaced by the measure's, a folder gets the measure's file below it (as
// OpenQueueDatabase does); empty for a measure outside 0..3.
std::string QueueSiteFile(const std::string& localDB, int measure);

// The path of the measure's file for a site path (a folder, or a database file of the queue
// folder); empty for a measure outside 0..3.
std::string QueueDatabasePath(const std::string& path, int measure);

}  // namespace zl
