// The site list: every site the user has set up, in the order of "SiteList.ini" in the program
// folder. Loaded at start-up, edited in memory, written anew at shutdown.
#pragma once

#include <string>
#include <vector>

#include "store/SiteRecord.h"

namespace zl {

class CSiteListStore {
  public:
    static CSiteListStore* Instance();

    // Appends the sites of the file to the list; a missing file adds none. False when the
    // file exists but cannot be read or decoded; LoadError() then says why.
    bool Load();
    const std::string& LoadError() const { return loadError_; }
    // Writes the whole list as a new file (sections renumbered from 00), replacing the old
    // one in one step. False when it could not be written; the old file is then unchanged.
    // A file that exists but could not be loaded is never overwritten: its sites are not in
    // the list, and writing the list would lose them. The file keeps the encoding and line
    // ends it was read with, and mode 0600 (it holds passwords). SaveNotice() tells of a
    // change of encoding the last save needed to keep every character ("" otherwise).
    bool Save() const;
    const std::string& SaveNotice() const { return saveNotice_; }

    std::vector<SiteRecord>& Sites() { return sites_; }
    const std::vector<SiteRecord>& Sites() const { return sites_; }
    int Size() const { return static_cast<int>(sites_.size()); }
    SiteRecord& At(int index) { return sites_.at(static_cast<std::size_t>(index)); }
    const SiteRecord& At(int index) const { return sites_.at(static_cast<std::size_t>(index)); }
    void Add(const SiteRecord& site) { sites_.push_back(site); }
    // Inserts before `index` (at the end when index >= Size()).
    void Insert(int index, const SiteRecord& site);
    // False when there is no site at `index`.
    bool Remove(int index);
    void Clear() { sites_.clear(); }

    // The file used by Load and Save; defaults to the program folder's "SiteList.ini".
    void SetFile(const std::string& path) {
        file_ = path;
        loadFailed_ = false;
        loadError_.clear();
    }
    const std::string& File() const { return file_; }

    CSiteListStore();

    // A larger "COUNT" is taken as damage, not as that many sites: loading stops here.
    static constexpr int kMaxSites = 10000;

  private:
    std::vector<SiteRecord> sites_;
    std::string file_;
    bool loadFailed_ = false;
    std::string loadError_;
    mutable std::string saveNotice_;
};

}  // namespace zl
