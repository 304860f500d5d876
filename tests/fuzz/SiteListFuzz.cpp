// Site list load: any bytes as "SiteList.ini". Loading never crashes and keeps to the site
// limit; what was loaded saves, and the saved file loads back to the same sites (after the
// first save, which may drop blanks around values, the list no longer changes).
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzKit.h"
#include "base/TextCodec.h"
#include "store/SiteListStore.h"

namespace zl {

namespace {

std::string Describe(const SiteRecord& s) {
    std::string out = std::to_string(s.counterType) + "|" + s.name + "|" + s.ipAddress + "|" +
                      s.localDB + "|" + s.port + "|" + s.userName + "|" + s.password + "|" +
                      std::to_string(s.anonymous) + "|" + std::to_string(s.connectionType);
    for (int j = 0; j < kCameraSlots; ++j) {
        const CameraSlot& c = s.cameras[j];
        if (c.used || !c.name.empty() || c.is3D)
            out += "|" + std::to_string(j) + ":" + std::to_string(c.used) + ":" + c.name + ":" +
                   std::to_string(c.is3D);
    }
    return out;
}

std::vector<std::string> LoadAll(const std::string& path, bool* ok) {
    CSiteListStore store;
    store.SetFile(path);
    *ok = store.Load();
    std::vector<std::string> out;
    for (const SiteRecord& s : store.Sites()) {
        ZL_FUZZ_CHECK(s.treeItem == nullptr && s.client2D == nullptr && s.localDb == nullptr &&
                          s.deviceLink == nullptr && s.checked == 0,
                      "run-time fields after load");
        out.push_back(Describe(s));
    }
    return out;
}

void SaveCopy(const std::string& from, const std::string& to) {
    CSiteListStore store;
    store.SetFile(from);
    ZL_FUZZ_CHECK(store.Load(), "load " + from);
    store.SetFile(to);
    ZL_FUZZ_CHECK(store.Save(), "save " + to);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using zl::fuzz::Scratch;
    const std::string path = Scratch::File("SiteList.ini");
    if (!zl::fuzz::WriteFile(path, std::string_view(reinterpret_cast<const char*>(data), size)))
        return 0;
    bool ok = false;
    const std::vector<std::string> loaded = LoadAll(path, &ok);
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::string text;
    zl::TextForm form;
    const bool decodes = zl::DecodeText(bytes, zl::LegacyCodePage(), &text, &form);
    ZL_FUZZ_CHECK(ok == decodes, "a site list loads exactly when its bytes are text");
    if (!ok) {
        // Its sites are not in the list: saving must not replace them with none.
        CSiteListStore store;
        store.SetFile(path);
        store.Load();
        ZL_FUZZ_CHECK(!store.Save(), "a site list that is no text is written over");
        ZL_FUZZ_CHECK(zl::fuzz::ReadFile(path) == bytes, "a site list that is no text changed");
        return 0;
    }
    ZL_FUZZ_CHECK(loaded.size() <= static_cast<size_t>(CSiteListStore::kMaxSites), "site limit");

    const std::string first = Scratch::File("first.ini");
    const std::string second = Scratch::File("second.ini");
    SaveCopy(path, first);
    const std::vector<std::string> a = LoadAll(first, &ok);
    ZL_FUZZ_CHECK(ok && a.size() == loaded.size(), "the saved list has another size");
    SaveCopy(first, second);
    const std::vector<std::string> b = LoadAll(second, &ok);
    ZL_FUZZ_CHECK(ok && a == b, "a saved list loads back differently");
    return 0;
}

}  // namespace zl
