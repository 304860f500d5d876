// Chart settings per counter type (a line chart and a bar chart record) and the working hours
// of the seven weekdays, kept in "Setting .ini" in the program folder.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "base/SysTime.h"

namespace zl {

using COLORREF = uint32_t;  // 0x00BBGGRR

struct LineStyleRecord {
    std::string title;
    std::array<std::string, 4> inTitle;
    std::array<std::string, 4> countTitle;  // only element 0 is loaded and stored
    std::array<int, 4> inWidth{3, 3, 3, 3};
    std::array<COLORREF, 4> inColor{255, 65280, 8405056, 33023};
    std::array<std::string, 4> outTitle;
    std::array<int, 4> outWidth{3, 3, 3, 3};
    std::array<COLORREF, 4> outColor{16744448, 16711935, 32896, 0};
    int gridLine = 1;
    int gridNote = 0;
};

// Working-hour entry k belongs to the weekday Monday + k (0 Monday .. 6 Sunday).
struct ChartSettings {
    LineStyleRecord line;  // line chart
    LineStyleRecord bar;   // bar chart
    int synAdjust = 0;
    std::array<SYSTEMTIME, 7> weekStart{};  // only wHour and wMinute are used
    std::array<SYSTEMTIME, 7> weekEnd{};
};

class CChartSettingsStore {
  public:
    static CChartSettingsStore* Instance();

    // Reads "Setting .ini" of the program folder (or the file set with SetFile).
    void Load();
    // Writes every key; false when the file could not be written (the old one stays).
    bool Save();
    void GetSettings(ChartSettings& out, int counterType) const;
    void SetSettings(const ChartSettings& in, int counterType);

    // The file used by Load and Save; defaults to the program folder's "Setting .ini".
    void SetFile(const std::string& path);
    const std::string& File() const;
    // Back to the defaults of every key (as if no file existed).
    void Reset();

    CChartSettingsStore();

  private:
    std::array<LineStyleRecord, 14> records_;  // 2t line chart, 2t+1 bar chart of type t+1
    int synAdjust_ = 0;
    std::array<SYSTEMTIME, 7> weekStart_{};
    std::array<SYSTEMTIME, 7> weekEnd_{};
    std::string file_;
};

}  // namespace zl
