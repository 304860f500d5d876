// The report window's site logic: adds sites (connection dialog, connect, log in, discover
// cameras, merge into the site list), deletes and renames them, keeps the check marks of tree
// and records in step, re-connects every site when the counter type changes, fills the tree,
// and closes every connection at shutdown. It works on a site list (normally
// CSiteListStore::Instance()->Sites()) and reaches the tree, the user and the connection dialog
// only through the interfaces it is given.
//
// Two modes: the people-counter mode (counter types 1 and 2: a 2D and a 3D database per server,
// device sites with their cameras, 3D camera pictures) and the mode of counter types 3 to 7 (one
// database per server, device sites shown without cameras).
#pragma once

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "query/SiteConnect.h"
#include "sites/ISiteDialog.h"
#include "sites/ISiteTree.h"
#include "sites/ITreeMenu.h"
#include "sites/IUserPrompt.h"
#include "store/SiteRecord.h"

namespace zl {

// Commands of the tree's pop-up menu (the ids of the window's + button, - button and rename).
constexpr int kCmdAddSite = 1043;
constexpr int kCmdDeleteSite = 1044;
constexpr int kCmdRenameItem = 10030;

// Image numbers of the tree's image list.
constexpr int kImageSite = 0;
constexpr int kImageSiteSelected = 1;
constexpr int kImageCamera = 4;
constexpr int kImageCameraSelected = 5;
constexpr int kImageCamera3D = 8;
constexpr int kImageCamera3DSelected = 9;

class SiteLogic {
  public:
    SiteLogic(std::vector<SiteRecord>& sites, ISiteTree& tree, IUserPrompt& prompt,
              ISiteDialog& dialog, ITreeMenu& menu);

    // The window's current counter type and mode (usePeopleWorker: 1 for types 1 and 2). The
    // re-connections set them too.
    void SetCounterType(int counterType, int usePeopleWorker);
    int CounterType() const { return counterType_; }
    int UsePeopleWorker() const { return usePeopleWorker_; }
    // The queue measure (0..3) of counter type 7: which queue file sites are pointed at.
    void SetQueueMeasure(int measure) { queueMeasure_ = measure; }
    // Called after the check marks were read back from the tree (the window refreshes its
    // summary and filter controls there).
    void SetChecksChangedHandler(std::function<void()> handler) { onChecksChanged_ = handler; }

    // Adds a site through the connection dialog: people-counter mode (counter type 1 or 2) and
    // the other mode (3..7). Returns 1 when a site was stored, 0 when nothing changed.
    int AddPeopleSite(int counterType);
    int AddSite(int counterType);
    // The + button and the menu's add entry: the add of the current mode and counter type.
    int AddSiteByMode();

    // Removes the site whose tree item is `item`, with its connections, once the user has
    // confirmed it; rebuilds the tree.
    void DeleteSite(SiteTreeItem item);
    // The - button: removes every site whose root item is checked, and the site of the last
    // clicked item when that is a site item without cameras, once the user has confirmed the
    // question that names them all. Returns how many were removed (0 after Cancel).
    int RemoveCheckedSites();
    // Takes the item's label into the name of its site or camera.
    void RenameTreeItem(SiteTreeItem item);
    // Right click at (x, y) in tree client coordinates ((0, 0): at the cursor): shows the menu
    // for the item and runs the chosen command. Returns the command, 0 for none.
    int OnTreeContextMenu(SiteTreeItem item, int x, int y);
    // Plain left click (the tree has applied it already): check propagation between a site
    // and its cameras, then every check mark is read back into the records.
    void OnTreeCheckChanged(SiteTreeItem item, int x = 0, int y = 0);
    // 1 while at least one checked camera of a checked site is a 3D camera.
    int Has3DCameras() const { return has3DCameras_; }
    SiteTreeItem LastClickedItem() const { return lastClicked_; }

    // Re-connects every site for a new counter type, without dialogs, and rebuilds the tree.
    // Failures are told one by one, each naming its site and the cause. A server or device
    // that cannot be reached or refuses the stored log-in stays in the tree, marked as not
    // connected (without cameras).
    void RefreshPeopleSites(int counterType);
    void RefreshSites(int counterType);

    // The same re-connection in three parts, so that the connecting can run on another thread
    // while the window stays live: Begin (window thread) sets the type and takes copies of the
    // sites; ConnectRefresh (any thread) connects the copies, several at once, and starts no
    // site once `stop` answers true; EndRefresh (window thread) takes the copies back, tells
    // the failures and rebuilds the tree. A site that was not started stays in the tree marked
    // as not connected, without cameras, and is tried again before the next query. Between
    // Begin and EndRefresh the sites' connections belong to the connecting thread.
    struct RefreshJob {
        bool people = true;
        int counterType = 1;
        int queueMeasure = 0;
        std::vector<SiteRecord> copies;
        std::vector<SiteConnectResult> results;
        std::vector<char> wanted;  // the sites this job connects
        std::vector<char> done;
    };
    RefreshJob BeginRefresh(int counterType, bool people);
    // The same for the sites left unconnected (RetryUnreachable); no site wanted when none is.
    RefreshJob BeginRetry();
    // `step` (optional) is called once per site that has been connected, from any thread.
    static void ConnectRefresh(RefreshJob& job, const std::function<bool()>& stop,
                               const std::function<void()>& step);
    void EndRefresh(RefreshJob& job);
    // Rebuilds the tree from the site list: a site is shown when it has a connection, or,
    // marked "(not connected)", when the last re-connection could not reach it.
    // Tries the sites left unconnected by the last re-connection again (before a query), tells
    // what still fails and rebuilds the tree. Returns how many are still not connected.
    int RetryUnreachable();
    bool IsUnreachable(const SiteRecord& site) const;
    void FillPeopleSiteTree();
    void FillSiteTree();
    void FillTreeByMode();

    // "%s - %s - %s": the server's or device's name (string 34 when it gives none) or string 56
    // for a local site; the address or the local file or folder name; the time now.
    void BuildSiteDisplayName(SiteRecord& site) const;

    // Shutdown: closes and destroys every site's connections (device links included).
    void CloseAllSites();

    std::vector<SiteRecord>& Sites() { return sites_; }

  private:
    enum class Mode { kPeople, kOther };
    int Add(int counterType, Mode mode);
    bool ConnectServer(SiteRecord& site, SiteDialogFields& fields, int counterType, Mode mode);
    bool ConnectDevice(SiteRecord& site, SiteDialogFields& fields);
    void Merge(SiteRecord& site);
    void Refresh(int counterType, Mode mode);
    void Fill(Mode mode);
    void ReadChecksBack();
    int FindSiteOfItem(SiteTreeItem item) const;
    void Tell(unsigned stringId);
    // Marks or clears the site as unreachable and tells the user what went wrong.
    void NoteReconnect(const SiteRecord& site, const SiteConnectResult& result);
    // "Site "<name>": <cause>" for a failure of ReconnectSite (message 110, 111 or 113).
    static std::string SiteErrorText(const SiteRecord& site, unsigned message);
    // Asks before sites go: names them (in list order) and says how many. True on OK.
    bool ConfirmDelete(const std::vector<int>& indexes);

    std::vector<SiteRecord>& sites_;
    ISiteTree& tree_;
    IUserPrompt& prompt_;
    ISiteDialog& dialog_;
    ITreeMenu& menu_;
    std::function<void()> onChecksChanged_;

    int counterType_ = 1;
    int usePeopleWorker_ = 1;
    int queueMeasure_ = 0;
    int has3DCameras_ = 0;
    SiteTreeItem lastClicked_ = nullptr;
    std::set<std::string> unreachable_;  // SiteKey of the sites that could not be reached
    SiteRecord scratch_;
};

}  // namespace zl
