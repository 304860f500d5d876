#include "sites/SiteLogic.h"

#include <algorithm>
#include <cstdlib>
#include <mutex>

#include "base/CounterTypes.h"
#include "data/QueueDatabase.h"
#include "devlink/DevLink.h"
#include "query/QueryParams.h"
#include "query/SiteConnect.h"
#include "query/SiteRunner.h"
#include "recnet/RecNet.h"
#include "store/IString.h"
#include "store/StringIds.h"

namespace zl {

namespace {

int PortNumber(const std::string& port) {
    return std::atoi(port.c_str());
}

// Who a site is to the user: its name, else where it reads from.
std::string ShownName(const SiteRecord& site) {
    if (!site.name.empty()) return site.name;
    if (site.connectionType == kConnLocal) return site.localDB;
    return site.ipAddress + ":" + site.port;
}

// What tells two sites apart, also after the list changed around them.
std::string SiteKey(const SiteRecord& site) {
    return std::to_string(site.connectionType) + '|' + site.ipAddress + '|' + site.port + '|' +
           site.localDB;
}

void ReplaceFirst(std::string& text, const char* what, const std::string& with) {
    const size_t at = text.find(what);
    if (at != std::string::npos) text.replace(at, 2, with);
}

void CloseServerClients(SiteRecord& site) {
    RecNetClose(&site.client2D);
    RecNetClose(&site.client3D);
    RecNetClose(&site.clientOther);
}

}  // namespace

SiteLogic::SiteLogic(std::vector<SiteRecord>& sites, ISiteTree& tree, IUserPrompt& prompt,
                     ISiteDialog& dialog, ITreeMenu& menu)
    : sites_(sites), tree_(tree), prompt_(prompt), dialog_(dialog), menu_(menu) {}

void SiteLogic::SetCounterType(int counterType, int usePeopleWorker) {
    counterType_ = counterType;
    usePeopleWorker_ = usePeopleWorker;
}

void SiteLogic::Tell(unsigned stringId) {
    prompt_.ShowMessage(stringId, PromptButtons::kOk);
}

std::string SiteLogic::SiteErrorText(const SiteRecord& site, unsigned message) {
    IString* strings = IString::Instance();
    const unsigned cause = message == kMsgCannotConnect  ? kStrCauseUnreachable
                           : message == kMsgLoginRefused ? kStrCauseLoginRefused
                                                         : kStrCauseNoDatabase;
    std::string text = strings->LoadStringA(kStrSiteError);
    ReplaceFirst(text, "%1", ShownName(site));
    ReplaceFirst(text, "%2", strings->LoadStringA(cause));
    return text;
}

bool SiteLogic::IsUnreachable(const SiteRecord& site) const {
    return unreachable_.count(SiteKey(site)) != 0;
}

// --- Adding -------------------------------------------------------------------------------------

int SiteLogic::AddPeopleSite(int counterType) {
    return Add(counterType, Mode::kPeople);
}

int SiteLogic::AddSite(int counterType) {
    return Add(counterType, Mode::kOther);
}

int SiteLogic::AddSiteByMode() {
    return usePeopleWorker_ == 1 ? AddPeopleSite(counterType_) : AddSite(counterType_);
}

int SiteLogic::Add(int counterType, Mode mode) {
    scratch_ = SiteRecord{};
    scratch_.counterType = counterType;

    SiteDialogFields fields;
    fields.connectionType = kConnServer;
    fields.port = "700";
    fields.counterType = counterType;
    if (!dialog_.Run(fields, SiteDialogPurpose::kNewSite)) return 0;

    if (fields.connectionType == 3) fields.connectionType = kConnLocal;  // a database file
    scratch_.connectionType = fields.connectionType;
    switch (scratch_.connectionType) {
        case kConnLocal:
            if (!RecNetCreateLocal(&scratch_.localDb)) {
                Tell(kStrConnectFailed);
                return 0;
            }
            break;
        case kConnServer:
            if (!ConnectServer(scratch_, fields, counterType, mode)) return 0;
            break;
        case kConnDevice:
            // The other mode stores a device site unconnected; the next re-connection shows it.
            if (mode == Mode::kPeople && !ConnectDevice(scratch_, fields)) return 0;
            break;
        default:
            return 0;
    }

    scratch_.ipAddress = fields.address;
    scratch_.port = fields.port;
    scratch_.userName = fields.userName;
    scratch_.password = fields.password;
    ResetCameraSlots(scratch_);

    if (scratch_.connectionType == kConnLocal) {
        scratch_.localDB = fields.localPath;
        const SiteConnectResult r = DiscoverCameras(scratch_, counterType);
        if (!r.connected) {
            Tell(kStrNoCameraDatabase);  // cannot be opened: stored all the same, no cameras
        } else if (!r.cameras) {
            // A database without a camera table is no site of this counter type: say so and
            // keep nothing.
            Tell(kStrNoCameraDatabase);
            ReleaseSiteHandles(scratch_);
            return 0;
        }
    } else if (scratch_.connectionType == kConnServer) {
        if (!DiscoverCameras(scratch_, counterType).cameras) Tell(kStrNoCameraDatabase);
    } else if (mode == Mode::kPeople) {
        DiscoverCameras(scratch_, counterType);
    }
    BuildSiteDisplayName(scratch_);

    Merge(scratch_);
    if (mode == Mode::kOther) RefreshQueueSites(sites_, counterType, queueMeasure_);
    Fill(mode);
    return 1;
}

bool SiteLogic::ConnectServer(SiteRecord& site, SiteDialogFields& fields, int counterType,
                              Mode mode) {
    RecNetClient** handle = mode == Mode::kOther       ? &site.clientOther
                            : counterType == kPeople2D ? &site.client2D
                                                       : &site.client3D;
    if (!RecNetConnect(handle, fields.address.c_str(), PortNumber(fields.port))) {
        Tell(kStrConnectFailed);
        CloseServerClients(site);
        return false;
    }
    RecNetClient* client = *handle;
    SiteDialogFields accepted = fields;
    while (client->Login(accepted.userName.c_str(), accepted.password.c_str()) != 1) {
        // No answer to the log-in is no refusal: asking for the password again cannot help.
        if (!client->LoginRefused()) {
            Tell(kStrConnectFailed);
            CloseServerClients(site);
            return false;
        }
        if (prompt_.ShowMessage(kStrLoginRefused, PromptButtons::kYesNo) != kAnswerYes) {
            CloseServerClients(site);
            return false;
        }
        SiteDialogFields retry;
        retry.connectionType = kConnServer;
        retry.port = fields.port;
        retry.userName = accepted.userName;
        retry.address = fields.address;
        retry.counterType = counterType;  // the password is typed again
        if (!dialog_.Run(retry, SiteDialogPurpose::kLoginRetry)) {
            CloseServerClients(site);
            return false;
        }
        accepted.userName = retry.userName;
        accepted.password = retry.password;
        accepted.address = retry.address;
    }
    // Keep what the server accepted, the password included: the next re-connection logs in
    // with the stored one.
    fields.userName = accepted.userName;
    fields.password = accepted.password;
    fields.address = accepted.address;
    return true;
}

bool SiteLogic::ConnectDevice(SiteRecord& site, SiteDialogFields& fields) {
    SiteDialogFields current = fields;
    const auto connect = [&site](const SiteDialogFields& f) {
        if (!site.deviceLink) site.deviceLink = CreateDevLink();
        return site.deviceLink &&
               site.deviceLink->Connect(f.address.c_str(), PortNumber(f.port), f.userName.c_str(),
                                        f.password.c_str(), kDeviceTimeOutMs) == 1;
    };
    while (!connect(current)) {
        if (prompt_.ShowMessage(kStrLoginRefused, PromptButtons::kYesNo) != kAnswerYes) {
            DestroyDevLink(&site.deviceLink);
            return false;
        }
        SiteDialogFields retry;
        retry.connectionType = kConnDevice;
        retry.port = current.port;
        retry.userName = current.userName;
        retry.address = current.address;
        retry.counterType = fields.counterType;
        if (!dialog_.Run(retry, SiteDialogPurpose::kLoginRetry)) {
            DestroyDevLink(&site.deviceLink);
            return false;
        }
        current.address = retry.address;
        current.port = retry.port;
        current.userName = retry.userName;
        current.password = retry.password;
    }
    fields.address = current.address;
    fields.port = current.port;
    fields.userName = current.userName;
    fields.password = current.password;
    return true;
}

void SiteLogic::Merge(SiteRecord& site) {
    for (SiteRecord& old : sites_) {
        const bool same =
            site.connectionType == kConnLocal
                ? old.connectionType == kConnLocal && old.localDB == site.localDB
                : old.connectionType == kConnServer && old.ipAddress == site.ipAddress;
        if (same) {
            ReleaseSiteHandles(old);
            old = site;
            return;
        }
    }
    sites_.push_back(site);
}

// --- Removing and renaming ----------------------------------------------------------------------

int SiteLogic::FindSiteOfItem(SiteTreeItem item) const {
    if (!item) return -1;
    for (size_t i = 0; i < sites_.size(); ++i) {
        if (sites_[i].treeItem == item) return static_cast<int>(i);
    }
    return -1;
}

bool SiteLogic::ConfirmDelete(const std::vector<int>& indexes) {
    if (indexes.empty()) return false;
    IString* strings = IString::Instance();
    std::string text;
    if (indexes.size() == 1) {
        text = strings->LoadStringA(kStrDeleteOneSite);
    } else {
        text = strings->LoadStringA(kStrDeleteManySites);
        const size_t at = text.find("%1");
        if (at != std::string::npos) text.replace(at, 2, std::to_string(indexes.size()));
    }
    text += "\n";
    // In list order, whatever order the caller found them in.
    std::vector<int> ordered = indexes;
    std::sort(ordered.begin(), ordered.end());
    for (int index : ordered) text += "\n" + sites_[static_cast<size_t>(index)].name;
    return prompt_.AskText(text, PromptButtons::kOkCancel) == kAnswerOk;
}

void SiteLogic::DeleteSite(SiteTreeItem item) {
    const int index = FindSiteOfItem(item);
    if (index < 0 || !ConfirmDelete({index})) return;
    ReleaseSiteHandles(sites_[static_cast<size_t>(index)]);
    sites_.erase(sites_.begin() + index);
    FillTreeByMode();
}

int SiteLogic::RemoveCheckedSites() {
    std::vector<SiteTreeItem> items;
    for (SiteTreeItem root = tree_.GetChildItem(nullptr); root;
         root = tree_.GetNextSiblingItem(root)) {
        if (tree_.GetCheck(root)) items.push_back(root);
    }
    if (lastClicked_ && tree_.Contains(lastClicked_) && !tree_.GetParentItem(lastClicked_) &&
        !tree_.ItemHasChildren(lastClicked_)) {
        items.push_back(lastClicked_);
    }
    // Which sites go is decided before anything is removed: removing one rebuilds the tree and
    // every item handle taken before it would be stale.
    std::vector<int> doomed;
    for (SiteTreeItem item : items) {
        const int index = FindSiteOfItem(item);
        if (index >= 0 && std::find(doomed.begin(), doomed.end(), index) == doomed.end()) {
            doomed.push_back(index);
        }
    }
    if (!ConfirmDelete(doomed)) return 0;
    std::sort(doomed.rbegin(), doomed.rend());
    for (int index : doomed) {
        ReleaseSiteHandles(sites_[static_cast<size_t>(index)]);
        sites_.erase(sites_.begin() + index);
    }
    if (!doomed.empty()) FillTreeByMode();
    return static_cast<int>(doomed.size());
}

void SiteLogic::RenameTreeItem(SiteTreeItem item) {
    if (!item || !tree_.Contains(item)) return;
    std::string text = tree_.GetItemText(item);
    const int index = FindSiteOfItem(item);
    if (index >= 0) {
        // The mark of an unconnected site is no part of its name.
        const std::string mark =
            std::string(" ") + IString::Instance()->LoadStringA(kStrNotConnectedMark);
        if (text.size() >= mark.size() &&
            text.compare(text.size() - mark.size(), mark.size(), mark) == 0)
            text.resize(text.size() - mark.size());
        sites_[static_cast<size_t>(index)].name = text;
        return;
    }
    for (SiteRecord& site : sites_) {
        for (CameraSlot& slot : site.cameras) {
            if (slot.treeItem == item) {
                slot.name = text;
                return;
            }
        }
    }
}

// --- Tree events --------------------------------------------------------------------------------

int SiteLogic::OnTreeContextMenu(SiteTreeItem item, int x, int y) {
    lastClicked_ = item;
    const TreeMenuEntry sep{0, 0};
    const TreeMenuEntry add{kCmdAddSite, kStrMenuAddSite};
    const TreeMenuEntry del{kCmdDeleteSite, kStrMenuDeleteSite};
    const TreeMenuEntry rename{kCmdRenameItem, kStrMenuRename};
    std::vector<TreeMenuEntry> entries;
    if (!item) {
        entries = {sep, add, sep};
    } else if (tree_.GetParentItem(item)) {
        entries = {sep, rename, sep};
    } else if (tree_.ItemHasChildren(item)) {
        entries = {sep, rename, sep, del, sep};
    } else {
        entries = {del, sep};
    }
    const int command = menu_.Track(entries, x, y, x == 0 && y == 0);
    switch (command) {
        case kCmdAddSite:
            AddSiteByMode();
            break;
        case kCmdDeleteSite:
            DeleteSite(item);
            break;
        case kCmdRenameItem:
            tree_.EditLabel(item);
            break;
        default:
            break;
    }
    return command;
}

void SiteLogic::OnTreeCheckChanged(SiteTreeItem item, int, int) {
    lastClicked_ = item;
    if (!item || !tree_.Contains(item)) return;
    if (SiteTreeItem site = tree_.GetParentItem(item)) {
        if (tree_.GetCheck(item)) {
            tree_.SetCheck(site, true);
        } else {
            bool other = false;
            for (SiteTreeItem c = tree_.GetChildItem(site); c; c = tree_.GetNextSiblingItem(c)) {
                if (c != item && tree_.GetCheck(c)) other = true;
            }
            tree_.SetCheck(site, other);
        }
    } else if (tree_.ItemHasChildren(item)) {
        const bool state = tree_.GetCheck(item);
        for (SiteTreeItem c = tree_.GetChildItem(item); c; c = tree_.GetNextSiblingItem(c)) {
            tree_.SetCheck(c, state);
        }
    }
    ReadChecksBack();
}

void SiteLogic::ReadChecksBack() {
    for (SiteRecord& site : sites_) {
        if (!site.treeItem) continue;
        site.checked = tree_.GetCheck(site.treeItem) ? 1 : 0;
        for (CameraSlot& slot : site.cameras) {
            if (slot.used == 1 && slot.treeItem) slot.checked = tree_.GetCheck(slot.treeItem);
        }
    }
    has3DCameras_ = 0;
    for (const SiteRecord& site : sites_) {
        if (site.checked != 1) continue;
        for (const CameraSlot& slot : site.cameras) {
            if (slot.used == 1 && slot.checked == 1 && slot.is3D == 1) has3DCameras_ = 1;
        }
    }
    if (onChecksChanged_) onChecksChanged_();
}

// --- Re-connecting and filling ------------------------------------------------------------------

void SiteLogic::RefreshPeopleSites(int counterType) {
    Refresh(counterType, Mode::kPeople);
}

void SiteLogic::RefreshSites(int counterType) {
    Refresh(counterType, Mode::kOther);
}

void SiteLogic::Refresh(int counterType, Mode mode) {
    RefreshJob job = BeginRefresh(counterType, mode == Mode::kPeople);
    ConnectRefresh(job, nullptr, nullptr);
    EndRefresh(job);
}

SiteLogic::RefreshJob SiteLogic::BeginRefresh(int counterType, bool people) {
    SetCounterType(counterType, people ? 1 : 0);
    RefreshJob job;
    job.people = people;
    job.counterType = counterType_;
    job.queueMeasure = queueMeasure_;
    job.copies = sites_;
    job.results.resize(sites_.size());
    job.wanted.assign(sites_.size(), 1);
    job.done.assign(sites_.size(), 0);
    return job;
}

SiteLogic::RefreshJob SiteLogic::BeginRetry() {
    RefreshJob job;
    job.people = usePeopleWorker_ == 1;
    job.counterType = counterType_;
    job.queueMeasure = queueMeasure_;
    job.copies = sites_;
    job.results.resize(sites_.size());
    job.wanted.resize(sites_.size());
    for (size_t i = 0; i < sites_.size(); ++i) job.wanted[i] = IsUnreachable(sites_[i]) ? 1 : 0;
    job.done.assign(sites_.size(), 0);
    return job;
}

void SiteLogic::ConnectRefresh(RefreshJob& job, const std::function<bool()>& stop,
                               const std::function<void()>& step) {
    // Several sites connect at once, each on a copy of its own; the copies come back and the
    // messages are told in site order once all are done.
    std::mutex stepMutex;
    ForEachAtOnce(job.copies.size(), QueryParams().siteThreads, [&](size_t i) {
        if (!job.wanted[i] || (stop && stop())) return;
        job.results[i] = ReconnectSite(job.copies[i], job.counterType, job.queueMeasure);
        job.done[i] = 1;
        if (step) {
            std::lock_guard<std::mutex> lock(stepMutex);
            step();
        }
    });
}

void SiteLogic::EndRefresh(RefreshJob& job) {
    for (size_t i = 0; i < sites_.size() && i < job.copies.size(); ++i) {
        if (!job.wanted[i]) continue;
        if (!job.done[i]) {
            // Not started: the old type's connection and cameras go, the site shows as not
            // connected and is connected again before the next query (a database file of
            // another type simply does not show, as after its re-connection).
            SiteRecord& site = sites_[i];
            ReleaseSiteHandles(site);
            for (CameraSlot& slot : site.cameras) slot.used = 0;
            if (!(site.connectionType == kConnLocal && IsDatabaseFile(site.localDB) &&
                  site.counterType != job.counterType))
                unreachable_.insert(SiteKey(site));
            continue;
        }
        sites_[i] = job.copies[i];
        NoteReconnect(sites_[i], job.results[i]);
    }
    Fill(job.people ? Mode::kPeople : Mode::kOther);
}

void SiteLogic::NoteReconnect(const SiteRecord& site, const SiteConnectResult& r) {
    // A server or device that could not be reached (or refused us) stays in the tree, marked,
    // and is tried again before the next query.
    const bool remote = site.connectionType != kConnLocal;
    if (remote && (r.message == kMsgCannotConnect || r.message == kMsgLoginRefused))
        unreachable_.insert(SiteKey(site));
    else
        unreachable_.erase(SiteKey(site));
    if (r.message) prompt_.AskText(SiteErrorText(site, r.message), PromptButtons::kOk);
}

int SiteLogic::RetryUnreachable() {
    if (unreachable_.empty()) return 0;
    RefreshJob job = BeginRetry();
    ConnectRefresh(job, nullptr, nullptr);
    EndRefresh(job);
    int left = 0;
    for (const SiteRecord& site : sites_) left += IsUnreachable(site) ? 1 : 0;
    return left;
}

void SiteLogic::FillPeopleSiteTree() {
    Fill(Mode::kPeople);
}

void SiteLogic::FillSiteTree() {
    Fill(Mode::kOther);
}

void SiteLogic::FillTreeByMode() {
    Fill(usePeopleWorker_ == 1 ? Mode::kPeople : Mode::kOther);
}

void SiteLogic::Fill(Mode mode) {
    tree_.DeleteAllItems();
    lastClicked_ = nullptr;
    for (SiteRecord& site : sites_) {
        const bool connected = site.client2D || site.client3D || site.localDb || site.deviceLink ||
                               (mode == Mode::kOther && site.clientOther);
        if (!connected) {
            for (CameraSlot& slot : site.cameras) slot.treeItem = nullptr;
            site.treeItem = nullptr;
            // Not shown (no item of the old tree may stay attached to it), unless it is a site
            // of this type that could not be reached: that one shows, marked, without cameras.
            if (IsUnreachable(site)) {
                site.treeItem = tree_.InsertItem(
                    site.name + " " + IString::Instance()->LoadStringA(kStrNotConnectedMark),
                    kImageSite, kImageSiteSelected, nullptr);
                if (site.checked == 1) tree_.SetCheck(site.treeItem, true);
            }
            continue;
        }
        site.treeItem = tree_.InsertItem(site.name, kImageSite, kImageSiteSelected, nullptr);
        if (site.checked == 1) tree_.SetCheck(site.treeItem, true);
        for (CameraSlot& slot : site.cameras) {
            if (slot.used != 1) {
                slot.treeItem = nullptr;
                continue;
            }
            const bool is3D = mode == Mode::kPeople && slot.is3D == 1;
            slot.treeItem = tree_.InsertItem(slot.name, is3D ? kImageCamera3D : kImageCamera,
                                             is3D ? kImageCamera3DSelected : kImageCameraSelected,
                                             site.treeItem);
            if (slot.checked == 1) tree_.SetCheck(slot.treeItem, true);
        }
        tree_.Expand(site.treeItem);
    }
}

void SiteLogic::BuildSiteDisplayName(SiteRecord& site) const {
    IString* strings = IString::Instance();
    site.name = zl::BuildSiteDisplayName(site, strings->LoadStringA(kStrUnnamedSite),
                                         strings->LoadStringA(kStrLocalSite));
}

void SiteLogic::CloseAllSites() {
    for (SiteRecord& site : sites_) ReleaseSiteHandles(site);
}

}  // namespace zl
