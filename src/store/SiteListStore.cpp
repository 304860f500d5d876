#include "store/SiteListStore.h"

#include <cstdio>

#include "base/Profile.h"
#include "base/ProgramFolder.h"
#include "store/ProfileValues.h"

namespace zl {

namespace {

constexpr const char* kListSection = "SITE_LIST";
constexpr const char* kCountKey = "COUNT";
constexpr const char* kUnusedSlot = "-1";
// "New folder" in Traditional Chinese, the name of a site whose section has none.
constexpr const char* kDefaultSiteName = "\xE6\x96\xB0\xE8\xB3\x87\xE6\x96\x99\xE5\xA4\xBE";

std::string SiteSection(int index) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "SITE_LIST_COUNT%02d", index);
    return buf;
}

std::string SlotKey(const char* base, int slot) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%s_%02d", base, slot);
    return buf;
}

SiteRecord ReadSite(const zl::ProfileFile& file, int index) {
    const std::string section = SiteSection(index);
    auto text = [&](const char* key, const char* def) {
        return zl::ReadProfileText(file, section, key, def);
    };
    SiteRecord site;
    site.counterType = zl::AtoI(text("CounterType", "0"));
    site.name = text("strItemName", kDefaultSiteName);
    site.ipAddress = text("IPAddress", "127.0.0.1");
    site.localDB = text("LocalDB", "");
    site.port = text("nPort", "700");
    site.userName = text("strUsername", "");
    site.password = text("strPassword", "");
    site.anonymous = zl::AtoI(text("bAnonyMous", "0"));
    site.connectionType = zl::AtoI(text("ConnectionType", "0"));
    for (int j = 0; j < kCameraSlots; ++j) {
        CameraSlot& slot = site.cameras[j];
        std::string name = text(SlotKey("dsCamera_INF", j).c_str(), kUnusedSlot);
        if (name == kUnusedSlot) continue;
        slot.used = 1;
        slot.name = std::move(name);
        slot.is3D = text(SlotKey("dsCamera_3D_INF", j).c_str(), kUnusedSlot) == "1" ? 1 : 0;
    }
    return site;
}

void WriteSite(zl::ProfileFile& file, int index, const SiteRecord& site) {
    const std::string section = SiteSection(index);
    auto set = [&](const std::string& key, const std::string& value) {
        file.SetString(section, key, value);
    };
    set("CounterType", std::to_string(site.counterType));
    set("strItemName", site.name);
    set("IPAddress", site.ipAddress);
    set("LocalDB", site.localDB);
    set("nPort", site.port);
    set("strUsername", site.userName);
    set("strPassword", site.password);
    set("bAnonyMous", std::to_string(site.anonymous));
    set("ConnectionType", std::to_string(site.connectionType));
    for (int j = 0; j < kCameraSlots; ++j) {
        const CameraSlot& slot = site.cameras[j];
        if (slot.used != 1) continue;
        set(SlotKey("dsCamera_INF", j), slot.name);
        set(SlotKey("dsCamera_3D_INF", j), slot.is3D == 1 ? "1" : "0");
    }
}

}  // namespace

CSiteListStore* CSiteListStore::Instance() {
    static CSiteListStore store;
    return &store;
}

CSiteListStore::CSiteListStore() : file_(zl::SettingsFolder() + "SiteList.ini") {}

bool CSiteListStore::Load() {
    zl::ProfileFile file(file_);
    loadFailed_ = !file.Load();
    loadError_ = file.LoadError();
    if (loadFailed_) return false;
    int count = zl::AtoI(zl::ReadProfileText(file, kListSection, kCountKey, "0"));
    if (count > kMaxSites) count = kMaxSites;
    sites_.reserve(sites_.size() + static_cast<std::size_t>(count > 0 ? count : 0));
    for (int i = 0; i < count; ++i) sites_.push_back(ReadSite(file, i));
    return true;
}

bool CSiteListStore::Save() const {
    if (loadFailed_) return false;
    saveNotice_.clear();
    // The file is written anew: sites that were removed leave no section behind. Reading it
    // first keeps its encoding and line ends, and refuses a file that is no longer readable.
    zl::ProfileFile file(file_);
    if (!file.Load()) return false;
    file.Clear();
    file.SetOwnerOnly(true);
    file.SetString(kListSection, kCountKey, std::to_string(sites_.size()));
    for (std::size_t i = 0; i < sites_.size(); ++i) WriteSite(file, static_cast<int>(i), sites_[i]);
    return file.Save(nullptr, &saveNotice_);
}

void CSiteListStore::Insert(int index, const SiteRecord& site) {
    if (index < 0) index = 0;
    if (index >= Size())
        sites_.push_back(site);
    else
        sites_.insert(sites_.begin() + index, site);
}

bool CSiteListStore::Remove(int index) {
    if (index < 0 || index >= Size()) return false;
    sites_.erase(sites_.begin() + index);
    return true;
}

}  // namespace zl
