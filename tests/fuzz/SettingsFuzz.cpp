// Settings load: any bytes as "Setting .ini". Loading never crashes; the settings of every
// counter type can be handed out; what was loaded saves, and after one save and load (which
// may cut values to their stored form) a further save and load changes nothing.
#include <cstdint>
#include <string>

#include "FuzzKit.h"
#include "store/ChartSettingsStore.h"

namespace zl {

namespace {

std::string Describe(const LineStyleRecord& r) {
    std::string out = r.title;
    for (int p = 0; p < 4; ++p) {
        out += "|" + r.inTitle[p] + "|" + r.countTitle[p] + "|" + std::to_string(r.inWidth[p]) +
               "|" + std::to_string(r.inColor[p]) + "|" + r.outTitle[p] + "|" +
               std::to_string(r.outWidth[p]) + "|" + std::to_string(r.outColor[p]);
    }
    return out + "|" + std::to_string(r.gridLine) + "|" + std::to_string(r.gridNote);
}

std::string Describe(const CChartSettingsStore& store) {
    std::string out;
    for (int type = 0; type <= 8; ++type) {  // 0 and 8 give the records of type 1
        ChartSettings s;
        store.GetSettings(s, type);
        out += Describe(s.line) + "\n" + Describe(s.bar) + "\n";
        if (type == 1) {
            out += std::to_string(s.synAdjust);
            for (int d = 0; d < 7; ++d) {
                out += " " + std::to_string(s.weekStart[d].wHour) + ":" +
                       std::to_string(s.weekStart[d].wMinute) + "-" +
                       std::to_string(s.weekEnd[d].wHour) + ":" +
                       std::to_string(s.weekEnd[d].wMinute);
            }
            out += "\n";
        }
    }
    return out;
}

// Loads `from`, saves to `to` (a new file) and answers what `to` loads as.
std::string RoundTrip(const std::string& from, const std::string& to) {
    CChartSettingsStore store;
    store.SetFile(from);
    store.Load();
    store.SetFile(to);
    ZL_FUZZ_CHECK(store.Save(), "save " + to);
    CChartSettingsStore again;
    again.SetFile(to);
    again.Load();
    return Describe(again);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using zl::fuzz::Scratch;
    const std::string path = Scratch::File("Setting .ini");
    if (!zl::fuzz::WriteFile(path, std::string_view(reinterpret_cast<const char*>(data), size)))
        return 0;
    const std::string first = Scratch::File("first.ini");
    const std::string second = Scratch::File("second.ini");
    std::remove(first.c_str());
    std::remove(second.c_str());
    const std::string a = RoundTrip(path, first);
    const std::string b = RoundTrip(first, second);
    ZL_FUZZ_CHECK(a == b, "saved settings load back differently:\n" + a + "\n---\n" + b);
    return 0;
}

}  // namespace zl
