// Connecting a site and discovering its cameras without any dialog: the steps the site logic
// runs for every site when the counter type changes, and that the command-line tool runs for
// the sites it is given. Failures are answered as the language string id of the message the
// caller shows (110 cannot connect, 111 log-in refused, 113 no database or camera table);
// nothing here asks the user.
#pragma once

#include <string>

#include "store/SiteRecord.h"

namespace zl {

constexpr unsigned kMsgCannotConnect = 110;
constexpr unsigned kMsgLoginRefused = 111;
constexpr unsigned kMsgNoCameraDatabase = 113;

constexpr int kDeviceTimeOutMs = 10000;

// Closes and destroys the site's server clients, destroys its local object and its device
// link; every handle becomes null.
void ReleaseSiteHandles(SiteRecord& site);
// Every camera slot empty: used 0, name empty, tree item 0, checked 0, is3D 0.
void ResetCameraSlots(SiteRecord& site);

// Row callbacks of the camera queries; the context is the SiteRecord. A row whose value is a
// camera number 1..64 marks that slot used, names it "Camera%02d" and sets is3D 0 (OnCameraRow)
// or 1 (On3DCameraRow); other values are ignored. Always 0.
int OnCameraRow(void* context, int columnCount, char** columnTexts, char** columnNames);
int On3DCameraRow(void* context, int columnCount, char** columnTexts, char** columnNames);

// The camera queries.
extern const char* const kCameraQuery2D;  // "SELECT DISTINCT Camera from records;"
extern const char* const kCameraQuery3D;  // "SELECT DISTINCT Camera from _3DRECORDS;"

struct SiteConnectResult {
    int connected = 0;     // 1: a handle is connected (and opened)
    int cameras = 0;       // 1: the camera query ran (or the device listed its cameras)
    unsigned message = 0;  // 0, or the language string id of the failure
    int threeD = 0;        // 1: the cameras are those of the 3D table
};

// Connects a site anew for `counterType` from its stored connection fields and discovers its
// cameras, as the re-connection after a counter type change does:
// 1. releases every handle, clears the tree item and the camera slots;
// 2. local (2): a ".db" file is opened only when the site's counterType equals counterType
//    (else the site stays without a connection, silently); a folder gets the type's database
//    path; the table detection chooses the camera query ("records" table: OnCameraRow; in
//    people-counter mode a "_3D" table: On3DCameraRow);
//    server (0): a client in client2D (type 1), client3D (type 2) or clientOther (3..7),
//    connected (time-out 300) and logged in; people counters open the database path the
//    server reports for the type, other types the entry of the server's database list whose
//    counter type matches, completed by the type's database path; then the camera query;
//    device (1): a device link connected with time-out 10000; in people-counter mode its
//    cameras are listed with their own names ("Camera%02d" when it gives none);
// 3. for queue length monitoring (7) the site is then pointed at the database of
//    `queueMeasure`.
// With `discover` false the database is opened (and its table checked) but the camera query
// is not sent: `cameras` then says the database is there, and the caller fills the slots.
SiteConnectResult ReconnectSite(SiteRecord& site, int counterType, int queueMeasure,
                                bool discover = true);

// Only the camera discovery of step 2, on handles that are already connected (the add-site
// flow, which connects with dialogs first). Local sites: the database is opened here.
SiteConnectResult DiscoverCameras(SiteRecord& site, int counterType, bool discover = true);

// "%s - %s - %s": the server's or device's own name (else `unnamedText`, string 34), or
// `localText` (string 56) for a local site; the address, or the local path after its last
// separator; and `timeText` ("%Y/%m/%d %H:%M:%S" of now when empty).
std::string BuildSiteDisplayName(const SiteRecord& site, const std::string& unnamedText,
                                 const std::string& localText,
                                 const std::string& timeText = std::string());

}  // namespace zl
