// The chart page's data file: titles, units, labels and series names of any bytes. Read back
// as JavaScript string literals, the file holds exactly the texts that went in, nothing of
// them escapes its literal (no line break, quote, "</script>" or "<!--"), and the code around
// the literals is the same as for empty texts. Point values are plain integers.
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzKit.h"
#include "chart/HtmlChart.h"
#include "chart/LoadData.h"

namespace zl {

namespace {

int Hex(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Splits a script into the code outside double-quoted literals (each literal as "") and the
// decoded contents of the literals. Stops the process on anything a literal must not hold.
void Lex(const std::string& js, std::string* skeleton, std::vector<std::string>* literals) {
    size_t i = 0;
    while (i < js.size()) {
        const char c = js[i++];
        if (c != '"') {
            *skeleton += c;
            continue;
        }
        *skeleton += "\"\"";
        std::string text;
        for (;;) {
            ZL_FUZZ_CHECK(i < js.size(), "a literal is not closed");
            const unsigned char d = static_cast<unsigned char>(js[i++]);
            if (d == '"') break;
            ZL_FUZZ_CHECK(d >= 0x20 && d != 0x7F, "a raw control character in a literal");
            ZL_FUZZ_CHECK(d != '<', "a raw '<' in a literal");
            ZL_FUZZ_CHECK(!(d == 0xE2 && i + 1 < js.size() && js[i] == '\x80' &&
                            (js[i + 1] == '\xA8' || js[i + 1] == '\xA9')),
                          "a raw line separator in a literal");
            if (d != '\\') {
                text += static_cast<char>(d);
                continue;
            }
            ZL_FUZZ_CHECK(i < js.size(), "an escape at the end");
            const char e = js[i++];
            switch (e) {
                case '\\':
                case '"':
                    text += e;
                    break;
                case 'n':
                    text += '\n';
                    break;
                case 'r':
                    text += '\r';
                    break;
                case 't':
                    text += '\t';
                    break;
                case 'u': {
                    ZL_FUZZ_CHECK(i + 4 <= js.size(), "a short \\u escape");
                    int code = 0;
                    for (int k = 0; k < 4; ++k) {
                        const int h = Hex(js[i++]);
                        ZL_FUZZ_CHECK(h >= 0, "a bad \\u escape");
                        code = code * 16 + h;
                    }
                    if (code < 0x80) {
                        text += static_cast<char>(code);
                    } else {
                        ZL_FUZZ_CHECK(code == 0x2028 || code == 0x2029, "an unexpected \\u");
                        text += code == 0x2028 ? "\xE2\x80\xA8" : "\xE2\x80\xA9";
                    }
                    break;
                }
                default:
                    zl::fuzz::Fail("an unknown escape", std::string(1, e));
            }
        }
        literals->push_back(std::move(text));
    }
}

CHtmlChart& Chart() {
    static CHtmlChart chart(zl::fuzz::Scratch::File("page"));
    return chart;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    zl::fuzz::Input in(data, size);

    // The escaping on its own: it decodes to the input.
    const std::string raw = in.Text(300);
    std::string skeleton;
    std::vector<std::string> literals;
    Lex("\"" + JsStringEscape(raw) + "\"", &skeleton, &literals);
    ZL_FUZZ_CHECK(literals.size() == 1 && literals[0] == raw, "escape does not decode to input");

    // A whole data file.
    CHtmlChart& chart = Chart();
    for (int i = 0; i < kChartSeriesCount; ++i) chart.ClearSeries(i);
    chart.SetSeriesType(0, in.Range(1, 2));
    chart.SetTooltipMode(in.Range(0, 1));
    chart.SetGrid(in.Range(0, 1), in.Range(0, 1));
    std::vector<std::string> texts;  // in the order the file holds them
    texts.push_back(in.Text(60));
    chart.SetTitle(texts.back());
    texts.push_back(in.Text(20));
    chart.SetYUnit(texts.back());
    const int labels = in.Range(0, 8);
    for (int k = 0; k < labels; ++k) {
        texts.push_back(in.Text(20));
        chart.SetLabel(k, texts.back());
    }
    const int seriesCount = in.Range(0, 4);
    std::vector<int> series;
    for (int s = 0; s < seriesCount; ++s) {
        const int index = in.Range(0, kChartSeriesCount - 1);
        const std::string label = in.Text(20);
        chart.SetSeriesLabelAndColor(index, label, in.U32());
        chart.SetSeriesWidth(index, in.Range(-5, 20));
        const int points = in.Range(0, 6);
        for (int p = 0; p < points; ++p) {
            const double v = in.Bool() ? in.Double() : in.Range(-100000, 100000) / 2.0;
            const bool added = chart.AddPoint(index, v);
            ZL_FUZZ_CHECK(added == std::isfinite(v), "AddPoint of a non-finite value");
            if (added) {
                const std::string shown = FormatPointValue(v);
                bool digits = !shown.empty();
                for (size_t k = shown[0] == '-' ? 1 : 0; k < shown.size(); ++k)
                    digits = digits && shown[k] >= '0' && shown[k] <= '9';
                ZL_FUZZ_CHECK(digits && shown != "-", "point value " + shown);
            }
        }
    }
    for (int i = 0; i < kChartSeriesCount; ++i) {
        if (!chart.Series(i).points.empty()) texts.push_back(chart.SeriesLabel(i));
    }

    // The options part holds no text of ours (its tooltip template has '<' on purpose); it is
    // compared as it is.
    auto split = [](const std::string& all, std::string* options) {
        const size_t at = all.rfind("function LoadOption(){");
        ZL_FUZZ_CHECK(at != std::string::npos, "no LoadOption");
        *options = all.substr(at);
        return all.substr(0, at);
    };
    std::string options;
    const std::string text = split(chart.LoadDataText(), &options);
    std::string shape;
    std::vector<std::string> found;
    Lex(text, &shape, &found);

    // The same chart with empty texts gives the same code around the literals.
    chart.SetTitle("");
    chart.SetYUnit("");
    for (size_t k = 0; k < chart.Labels().size(); ++k) chart.SetLabel(static_cast<int>(k), "");
    for (int i = 0; i < kChartSeriesCount; ++i) {
        if (!chart.Series(i).points.empty())
            chart.SetSeriesLabelAndColor(i, "", chart.SeriesColor(i));
    }
    std::string emptyShape;
    std::vector<std::string> fixed;
    std::string emptyOptions;
    Lex(split(chart.LoadDataText(), &emptyOptions), &emptyShape, &fixed);
    ZL_FUZZ_CHECK(shape == emptyShape, "the texts changed the code:\n" + text);
    ZL_FUZZ_CHECK(options == emptyOptions, "the texts changed the options");
    ZL_FUZZ_CHECK(found.size() == fixed.size(), "literal count");
    size_t next = 0;
    for (size_t k = 0; k < found.size(); ++k) {
        if (!fixed[k].empty()) {
            ZL_FUZZ_CHECK(found[k] == fixed[k], "a fixed literal changed: " + found[k]);
            continue;
        }
        ZL_FUZZ_CHECK(next < texts.size() && found[k] == texts[next],
                      "literal " + std::to_string(k) + " is '" + found[k] + "'");
        ++next;
    }
    ZL_FUZZ_CHECK(next == texts.size(), "not every text is in the file");
    return 0;
}

}  // namespace zl
