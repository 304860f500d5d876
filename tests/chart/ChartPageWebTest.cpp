// The chart page in the real browser engine (Qt WebEngine, offscreen): each page loads without
// a script error and draws what its data file says. One process for every case, because the
// engine starts slowly.
#include <gtest/gtest.h>

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <chrono>
#include <memory>

#include "ChartTestKit.h"
#include "chart/ChartConfig.h"
#include "chart/ChartFill.h"
#include "chart/ChartInsights.h"
#include "chart/HtmlChart.h"
#include "ui/chartview/ChartRenderer.h"
#include "ui/chartview/WebBrowserHost.h"

namespace zl {

using namespace charttest;

namespace {

// Keeps the script errors a page reports.
class RecordingPage : public QWebEnginePage {
  public:
    using QWebEnginePage::QWebEnginePage;
    QStringList errors;

  protected:
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message,
                                  int line, const QString& source) override {
        if (level == ErrorMessageLevel) {
            errors << QString("%1:%2: %3").arg(source).arg(line).arg(message);
        }
    }
};

class ChartPageTest : public ::testing::Test {
  protected:
    void SetUp() override {
        host = std::make_unique<CWebBrowserHost>();
        page = new RecordingPage(host->View());
        host->View()->setPage(page);
        host->setAttribute(Qt::WA_DontShowOnScreen);
        host->resize(800, 500);
        host->show();
        chart = std::make_unique<CHtmlChart>();
        chart->SetHost(host.get());
    }
    void TearDown() override {
        chart.reset();
        host.reset();
    }

    // Fills the chart like the window after a query (with the report's insights when given)
    // and waits for the page to be drawn.
    void Show(const std::vector<CountRecord>& records, const ChartSelection& sel,
              const ChartSettings& settings, const ChartInsightData* insights = nullptr) {
        FillChart(*chart, records, sel.counterType, sel.heightClass, sel.range);
        ApplyChartSettings(*chart, settings, sel, "Seconds", nullptr);
        if (insights) ApplyChartInsights(*chart, 2, *insights);
        ASSERT_TRUE(chart->WritePage());
        ASSERT_TRUE(WaitLoaded());
    }

    // Loads the page directly (for a result without series, which WritePage does not show).
    void LoadDirectly() {
        ASSERT_TRUE(chart->WritePage());
        host->Navigate(chart->PageUrl());
        ASSERT_TRUE(WaitLoaded());
    }

    bool WaitLoaded() {
        QEventLoop loop;
        bool ok = false;
        auto c = QObject::connect(host.get(), &CWebBrowserHost::pageLoaded, &loop, [&](bool r) {
            ok = r;
            loop.quit();
        });
        QTimer::singleShot(30000, &loop, &QEventLoop::quit);
        loop.exec();
        QObject::disconnect(c);
        return ok && Js("zlxPage.ready").toBool();
    }

    QVariant Js(const QString& code) {
        QEventLoop loop;
        QVariant result;
        page->runJavaScript(code, [&](const QVariant& v) {
            result = v;
            loop.quit();
        });
        QTimer::singleShot(30000, &loop, &QEventLoop::quit);
        loop.exec();
        return result;
    }

    QStringList JsList(const QString& code) { return Js(code).toStringList(); }

    std::string Tooltip(const QString& label, int value) {
        return Js(QString("Chart.helpers.template(zlxPage.chart.options.tooltipTemplate,"
                          "{label: '%1', value: %2})")
                      .arg(label)
                      .arg(value))
            .toString()
            .toStdString();
    }

    void ExpectNoScriptErrors() {
        EXPECT_TRUE(page->errors.isEmpty()) << page->errors.join("\n").toStdString();
    }

    TempDir tmp;
    std::unique_ptr<CWebBrowserHost> host;
    RecordingPage* page = nullptr;
    std::unique_ptr<CHtmlChart> chart;
};

std::vector<CountRecord> DayRecords() {
    return {Record(2024, 3, 4, 8, 0, {12, 5}), Record(2024, 3, 4, 9, 0, {30, 9}),
            Record(2024, 3, 4, 10, 0, {21, 17}), Record(2024, 3, 4, 10, 30, {8, 4}, 30)};
}

TEST_F(ChartPageTest, DayLineChart) {
    ChartSettings s = DefaultSettings(1);
    s.line.title = "Entrance";
    Show(DayRecords(), ChartSelection(), s);
    ExpectNoScriptErrors();
    EXPECT_EQ(Js("zlxPage.chart.name").toString(), "Line");
    EXPECT_EQ(Js("zlxPage.chart.datasets.length").toInt(), 2);
    EXPECT_EQ(JsList("zlxPage.chart.scale.xLabels"), QStringList({"08", "09", "10", "10:30"}));
    EXPECT_EQ(JsList("zlxPage.legend.map(function(e){return e.text;})"),
              QStringList({"Inward", "Outward"}));
    EXPECT_EQ(JsList("zlxPage.legend.map(function(e){return String(e.row);})"),
              QStringList({"0", "1"}));
    EXPECT_EQ(Js("LoadData().title").toString(), "Entrance");
    EXPECT_EQ(Tooltip("08", 12), "08:00=12");
    EXPECT_EQ(Tooltip("08:30", 12), "08:30=12");
    // The series width is the radius of its points.
    EXPECT_EQ(Js("zlxPage.chart.datasets[0].points[0].radius").toInt(), 3);
    // Layout: title strip, chart and legend strip fill the window less 8 pixels.
    EXPECT_EQ(Js("document.getElementById('zlxTitle').height").toInt(), 33);
    EXPECT_EQ(Js("document.getElementById('zlxLegend').height").toInt(), 56);
    EXPECT_EQ(Js("document.getElementById('zlxYUnit').width").toInt(), 21);
    EXPECT_EQ(Js("document.getElementById('zlxChart').width").toInt(), 800 - 8 - 21);
    EXPECT_EQ(Js("document.getElementById('zlxChart').height").toInt(), 500 - 8 - 33 - 56);
    EXPECT_FALSE(Js("document.documentElement.scrollHeight > window.innerHeight").toBool());
}

TEST_F(ChartPageTest, WeekResultAsBarChart) {
    ChartSelection sel;
    sel.range = 1;
    sel.view = 1;  // series 0 becomes a bar series: the whole page is a bar chart
    Show({Record(2024, 3, 4, 0, 0, {120, 110}), Record(2024, 3, 5, 0, 0, {98, 97})}, sel,
         DefaultSettings(1));
    ExpectNoScriptErrors();
    EXPECT_EQ(Js("zlxPage.chart.name").toString(), "Bar");
    EXPECT_EQ(Js("zlxPage.chart.datasets.length").toInt(), 2);
    EXPECT_EQ(JsList("zlxPage.chart.scale.xLabels"), QStringList({"04", "05"}));
    EXPECT_EQ(Tooltip("05", 12), "05=12");
}

TEST_F(ChartPageTest, OnlySeriesZeroDecidesTheChartType) {
    chart->AddPoint(0, 3);
    chart->AddPoint(1, 4);
    chart->SetLabel(0, "01");
    chart->SetSeriesType(1, 2);
    ASSERT_TRUE(chart->WritePage());
    ASSERT_TRUE(WaitLoaded());
    EXPECT_EQ(Js("zlxPage.chart.name").toString(), "Line");
    chart->SetSeriesType(0, 2);
    chart->SetSeriesType(1, 1);
    ASSERT_TRUE(chart->WritePage());  // the same address again: reloaded with the new data
    ASSERT_TRUE(WaitLoaded());
    EXPECT_EQ(Js("zlxPage.chart.name").toString(), "Bar");
    ExpectNoScriptErrors();
}

TEST_F(ChartPageTest, TrafficResultWithEightSeries) {
    ChartSelection sel;
    sel.counterType = 6;
    sel.range = 2;
    Show({Record(2024, 2, 1, 0, 0, {1, 2, 3, 4, 5, 6, 7, 8}),
          Record(2024, 2, 2, 0, 0, {10, 20, 30, 40, 50, 60, 70, 80})},
         sel, DefaultSettings(6));
    ExpectNoScriptErrors();
    EXPECT_EQ(Js("zlxPage.chart.datasets.length").toInt(), 8);
    EXPECT_EQ(JsList("zlxPage.legend.map(function(e){return e.text;})"),
              QStringList({"LargeIn", "LargeOut", "MediumIn", "MediumOut", "SmallIn", "SmallOut",
                           "PedestrianIn", "PedestrianOut"}));
    EXPECT_EQ(JsList("zlxPage.legend.filter(function(e){return e.row===0;})"
                     ".map(function(e){return e.text;})"),
              QStringList({"LargeIn", "MediumIn", "SmallIn", "PedestrianIn"}));
    // A pair shares a column: in and out of a class start at the same x.
    EXPECT_TRUE(Js("zlxPage.legend[0].x === zlxPage.legend[1].x && "
                   "zlxPage.legend[2].x > zlxPage.legend[0].x")
                    .toBool());
    EXPECT_EQ(Tooltip("05", 12), "05=12");
}

TEST_F(ChartPageTest, EmptyResultLoadsWithoutChart) {
    FillChart(*chart, {}, 1, 0, kRangeDay);
    ApplyChartSettings(*chart, DefaultSettings(1), ChartSelection(), "", nullptr);
    LoadDirectly();
    ExpectNoScriptErrors();
    EXPECT_TRUE(Js("zlxPage.chart === null").toBool());
    EXPECT_EQ(Js("zlxPage.legend.length").toInt(), 0);
}

TEST_F(ChartPageTest, EscapedTextsArriveAsWritten) {
    const std::string title = "Say \"hi\" \\ </script><script>window.injected=1</script>";
    const std::string label = "In \xE2\x80\xA8 \"x\" \xC3\xA9";
    chart->SetTitle(title);
    chart->SetYUnit("a\nb");
    chart->SetSeriesLabelAndColor(0, label, 255);
    chart->SetLabel(0, "08\"");
    chart->AddPoint(0, 5);
    ASSERT_TRUE(chart->WritePage());
    ASSERT_TRUE(WaitLoaded());
    ExpectNoScriptErrors();
    EXPECT_EQ(Js("LoadData().title").toString().toStdString(), title);
    EXPECT_EQ(Js("LoadData().yUnit").toString().toStdString(), "a\nb");
    EXPECT_EQ(Js("zlxPage.legend[0].text").toString().toStdString(), label);
    EXPECT_EQ(Js("LoadData().labels[0]").toString().toStdString(), "08\"");
    EXPECT_TRUE(Js("typeof window.injected === 'undefined'").toBool());
}

// Draws the chart again while recording the texts drawn and the lines stroked.
const char* kDrawProbe = R"(
(function () {
  var c = zlxPage.chart, ctx = c.chart.ctx, texts = [], lines = 0;
  var fillText = ctx.fillText, lineTo = ctx.lineTo;
  ctx.fillText = function (t) { texts.push(String(t)); return fillText.apply(this, arguments); };
  ctx.lineTo = function () { ++lines; return lineTo.apply(this, arguments); };
  c.draw();
  ctx.fillText = fillText;
  ctx.lineTo = lineTo;
  return {texts: texts, lines: lines};
})()
)";

TEST_F(ChartPageTest, ShowValueDrawsEveryValue) {
    for (int view : {0, 1}) {
        ChartSelection sel;
        sel.view = view;
        ChartSettings s = DefaultSettings(1);
        s.line.gridNote = 0;
        // The last two values are equal: their points meet.
        std::vector<CountRecord> records = DayRecords();
        records[3].values[1] = 8;
        Show(records, sel, s);
        const QVariantMap off = Js(kDrawProbe).toMap();
        Js("zlxPage.chart.options.scaleShowValue = true");
        const QVariantMap on = Js(kDrawProbe).toMap();
        QStringList extra = on["texts"].toStringList();
        for (const QString& t : off["texts"].toStringList()) extra.removeOne(t);
        extra.sort();
        QStringList values = {"12", "30", "21", "8", "5", "9", "17", "8"};
        values.sort();
        EXPECT_EQ(extra, values) << "view " << view;
        // Values of points that meet do not cover each other; each stays above its point.
        if (view == 0) {
            EXPECT_TRUE(Js(R"((function () {
              var c = zlxPage.chart, ctx = c.chart.ctx, at = [], fillText = ctx.fillText;
              c.options.scaleShowValue = true;
              ctx.fillText = function (t, x, y) { at.push([t, x, y]); return fillText.apply(this, arguments); };
              c.draw();
              ctx.fillText = fillText;
              var p0 = c.datasets[0].points[3], p1 = c.datasets[1].points[3];
              var ys = at.filter(function (a) { return a[1] === p0.x && a[0] === '8'; })
                         .map(function (a) { return a[2]; });
              return ys.length === 2 && Math.abs(ys[0] - ys[1]) >= c.options.scaleFontSize &&
                     Math.max(ys[0], ys[1]) < p0.y - p0.radius && p0.y === p1.y;
            })())")
                            .toBool());
        }
        // Bars carry their value 8 pixels above their top, or as high as the canvas lets it.
        if (view == 1) {
            EXPECT_TRUE(Js(R"((function () {
              var c = zlxPage.chart, ctx = c.chart.ctx, at = [], fillText = ctx.fillText;
              ctx.fillText = function (t, x, y) { at.push([t, x, y]); return fillText.apply(this, arguments); };
              c.draw();
              ctx.fillText = fillText;
              var bar = c.datasets[0].bars[1];
              var y = Math.max(bar.y - 8, c.options.scaleFontSize + 1);
              return at.some(function (a) { return a[0] === '30' && a[1] === bar.x && a[2] === y; });
            })())")
                            .toBool());
        }
        ExpectNoScriptErrors();
    }
}

// A bucket without data: the line breaks and the bar chart has no bar there (neither a bar of
// 0 nor its value); the peak's marker stands over its bucket on both.
TEST_F(ChartPageTest, GapsAndPeakMarkerOnTheLineAndTheBarChart) {
    for (int view : {0, 1}) {
        ChartSelection sel;
        sel.view = view;
        ChartSettings s = DefaultSettings(1);
        s.line.gridNote = 0;
        ChartInsightData data;
        data.noData = {false, true, false, false};
        data.peakRow = 2;
        data.peakText = "Peak 21";
        std::vector<CountRecord> records = DayRecords();
        records[1].values[0] = records[1].values[1] = 0;
        Show(records, sel, s, &data);
        // Drawn with and without the values: the value texts are the difference.
        const QString probe = R"((function () {
          var c = zlxPage.chart, ctx = c.chart.ctx, fillText = ctx.fillText;
          function texts(show) {
            var at = [];
            c.options.scaleShowValue = show;
            ctx.fillText = function (t, x, y) { at.push([String(t), x, y]); return fillText.apply(this, arguments); };
            c.draw();
            ctx.fillText = fillText;
            return at;
          }
          var plain = texts(false), shown = texts(true);
          var zeros = function (at) { return at.filter(function (a) { return a[0] === '0'; }).length; };
          var items = c.name === 'Bar' ? c.datasets[0].bars : c.datasets[0].points;
          var x = c.scale.calculateX(2);
          return {name: c.name, gap: items[1].value === null && !items[1].hasValue(),
                  zeros: zeros(shown) - zeros(plain),
                  marker: plain.some(function (a) { return a[0] === 'Peak 21' && Math.abs(a[1] - x) <= 9; })};
        })())";
        const QVariantMap drawn = Js(probe).toMap();
        EXPECT_EQ(drawn["name"].toString(), view == 0 ? "Line" : "Bar");
        EXPECT_TRUE(drawn["gap"].toBool()) << "view " << view;
        EXPECT_EQ(drawn["zeros"].toInt(), 0) << "view " << view;  // no value 0 at the gap
        EXPECT_TRUE(drawn["marker"].toBool()) << "view " << view;
        ExpectNoScriptErrors();
    }
}

TEST_F(ChartPageTest, UnderADirectionThePageShowsOnlyItsSeries) {
    const QString legend = "zlxPage.legend.map(function(e){return e.text;})";
    const QStringList expected[3] = {{"Inward", "Outward"}, {"Inward"}, {"Outward"}};
    for (int direction : {1, 2, 0}) {
        ChartSelection sel;
        sel.direction = direction;
        Show(DayRecords(), sel, DefaultSettings(1));
        EXPECT_EQ(JsList(legend), expected[direction]) << "direction " << direction;
        EXPECT_EQ(Js("zlxPage.chart.datasets.length").toInt(), expected[direction].size());
        // The values drawn are those of the shown series: Out has 9 at 09, In has 30.
        EXPECT_EQ(Js("zlxPage.chart.datasets[0].points[1].value").toInt(), direction == 2 ? 9 : 30);
        ExpectNoScriptErrors();
    }
}

// Buckets of one day (`minutes` long) or of a month's days, with values up to five digits.
std::vector<CountRecord> Buckets(int count) {
    std::vector<CountRecord> records;
    if (count == 31) {
        for (int d = 1; d <= 31; ++d)
            records.push_back(Record(2024, 1, d, 0, 0, {uint32_t(29503 - d * 7), 3}));
        return records;
    }
    const int minutes = 1440 / count;
    for (int i = 0; i < count; ++i) {
        const uint32_t v = i == count - 1 ? 29503u : uint32_t((i * 37) % 900 + 100);
        records.push_back(
            Record(2024, 3, 4, i * minutes / 60, i * minutes % 60, {v, 12000}, minutes));
    }
    return records;
}

// For every drawn x label and value: its box along x, from the draw calls of one redraw.
const char* kTextBoxes = R"((function () {
  var c = zlxPage.chart, ctx = c.chart.ctx, labels = [], values = [], tx = 0;
  var fillText = ctx.fillText, translate = ctx.translate, save = ctx.save, restore = ctx.restore;
  ctx.save = function () { tx = 0; return save.apply(this, arguments); };
  ctx.translate = function (x) { tx = x; return translate.apply(this, arguments); };
  ctx.restore = function () { tx = 0; return restore.apply(this, arguments); };
  ctx.fillText = function (t, x, y) {
    var w = ctx.measureText(String(t)).width, box;
    if (tx > 0) {
      labels.push({t: String(t), l: tx - w / 2, r: tx + w / 2});
    } else if (ctx.textAlign === 'center' && ctx.textBaseline === 'bottom') {
      values.push({t: String(t), l: x - w / 2, r: x + w / 2, top: y - c.options.scaleFontSize});
    }
    return fillText.apply(this, arguments);
  };
  c.options.scaleShowValue = true;
  c.draw();
  ctx.fillText = fillText; ctx.translate = translate; ctx.save = save; ctx.restore = restore;
  return {labels: labels, values: values, step: c.scale.xLabelStep,
          axis: Math.round(c.scale.xScalePaddingLeft), width: c.chart.width,
          rotation: c.scale.xLabelRotation};
})())";

TEST_F(ChartPageTest, LabelsThinToWhatFitsAndValuesStayInside) {
    // The chart area of the window at its least size, and a small one.
    for (const QSize size : {QSize(830, 560), QSize(420, 280)}) {
        host->resize(size);
        for (int count : {24, 31, 48, 96, 288}) {
            ChartSelection sel;
            sel.range = count == 31 ? 2 : 0;
            Show(Buckets(count), sel, DefaultSettings(1));
            const QVariantMap drawn = Js(kTextBoxes).toMap();
            const QVariantList labels = drawn["labels"].toList();
            const int step = drawn["step"].toInt();
            const QString where = QString("%1 buckets at %2x%3, step %4")
                                      .arg(count)
                                      .arg(size.width())
                                      .arg(size.height())
                                      .arg(step);
            SCOPED_TRACE(where.toStdString());
            EXPECT_EQ(drawn["rotation"].toInt(), 0);
            // Every step-th label, from the first; at least two, none overlapping.
            EXPECT_EQ(labels.size(), (count + step - 1) / step);
            EXPECT_GE(labels.size(), 2);
            for (int i = 1; i < labels.size(); ++i) {
                EXPECT_GT(labels[i].toMap()["l"].toDouble(),
                          labels[i - 1].toMap()["r"].toDouble() + 1)
                    << labels[i].toMap()["t"].toString().toStdString();
            }
            // A day of short periods shows whole hours once it cannot show every label.
            if (count % 24 == 0 && step >= count / 24) {
                EXPECT_EQ(step % (count / 24), 0);
            }
            // The step is the least that fits: half of it would leave no gap.
            if (step > 1) {
                const double slot = Js("Chart.helpers.zlxXSlot(zlxPage.chart.scale)").toDouble();
                const double needed = Js("zlxPage.chart.scale.xLabelWidth + 6").toDouble();
                EXPECT_LT((step / 2) * slot, needed);
            }
            // Every value inside the drawing area: right of the axis, inside the canvas, below
            // the top; the five-digit last value whole.
            const QVariantList values = drawn["values"].toList();
            EXPECT_EQ(values.size(), 2 * count);
            for (const QVariant& v : values) {
                const QVariantMap box = v.toMap();
                EXPECT_GT(box["l"].toDouble(), drawn["axis"].toDouble())
                    << box["t"].toString().toStdString();
                EXPECT_LE(box["r"].toDouble(), drawn["width"].toDouble());
                EXPECT_GE(box["top"].toDouble(), 0);
            }
            ExpectNoScriptErrors();
        }
    }
}

TEST_F(ChartPageTest, StepGridLinesThinTheGrid) {
    std::vector<CountRecord> hours;
    for (int h = 0; h < 24; ++h)
        hours.push_back(Record(2024, 3, 4, h, 0, {uint32_t(h * 7 % 40), 3}));
    for (int view : {0, 1}) {
        ChartSelection sel;
        sel.view = view;
        Show(hours, sel, DefaultSettings(1));
        const int every = Js(kDrawProbe).toMap()["lines"].toInt();
        Js("zlxPage.chart.scale.gridStep = 3");
        const int third = Js(kDrawProbe).toMap()["lines"].toInt();
        // Grid lines 1..n of both axes that are not multiples of 3 are skipped.
        const int steps = Js("zlxPage.chart.scale.steps").toInt();
        int skipped = 0;
        for (int i = 1; i <= steps; ++i) skipped += i % 3 != 0;
        for (int i = 1; i < 24; ++i) skipped += i % 3 != 0;
        EXPECT_EQ(every - third, skipped) << "view " << view;
        // The option reaches the scale from the chart's options.
        EXPECT_EQ(Js("new Chart(document.createElement('canvas').getContext('2d'))." +
                     QString(view ? "Bar" : "Line") +
                     "({labels: ['a','b'], datasets: [{data: [1,2]}]},"
                     " {animation: false, scaleStepGridLines: 4}).scale.gridStep")
                      .toInt(),
                  4);
        ExpectNoScriptErrors();
    }
}

TEST_F(ChartPageTest, CaptureAndRendererGiveRealPixels) {
    ChartSettings s = DefaultSettings(1);
    s.line.title = "Entrance";
    Show(DayRecords(), ChartSelection(), s);

    // The page is loaded; the engine shows its pixels at its next frame, which on a loaded
    // machine may take a while: capture until the drawing is there.
    const std::string bmp = tmp.Path() + "/chart.bmp";
    const auto darkPixels = [](const QImage& image) {
        int dark = 0;
        for (int y = 0; y < image.height(); y += 2) {
            for (int x = 0; x < image.width(); x += 2) dark += qGray(image.pixel(x, y)) < 128;
        }
        return dark;
    };
    QImage image;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    do {
        QEventLoop frame;
        QTimer::singleShot(50, &frame, &QEventLoop::quit);
        frame.exec();
        ASSERT_TRUE(chart->SaveBitmap(bmp.c_str()));
        image = QImage(QString::fromStdString(bmp));
        ASSERT_FALSE(image.isNull());
    } while (darkPixels(image) <= 50 && std::chrono::steady_clock::now() < until);
    const std::string bytes = ReadFile(bmp);
    EXPECT_EQ(bytes.size(), 14u + 40u + 800u * 3u * 500u);
    EXPECT_EQ(image.size(), QSize(800, 500));
    EXPECT_GT(darkPixels(image), 50);  // title, axes, legend box

    // Saving where no file can be made reports failure.
    EXPECT_FALSE(chart->SaveBitmap((tmp.Path() + "/missing/dir/chart.bmp").c_str()));

    std::string error;
    const std::string png = tmp.Path() + "/chart.png";
    ASSERT_EQ(RenderChartFolder(chart->Folder(), 640, 400, png, false, &error), 0) << error;
    QImage rendered(QString::fromStdString(png));
    EXPECT_EQ(rendered.size(), QSize(640, 400));
    EXPECT_NE(RenderChartFolder(tmp.Path() + "/nowhere", 640, 400, png, false, &error), 0);
    EXPECT_FALSE(error.empty());
}

}  // namespace

int Main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

}  // namespace zl

int main(int argc, char** argv) {
    return zl::Main(argc, argv);
}
