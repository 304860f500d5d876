// The page folder: where it is made, the page files written from the compiled-in resources,
// the address of the page and the clean-up.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "ChartTestKit.h"
#include "chart/HtmlChart.h"
#include "chart/PageFolder.h"
#include "chart/PageResources.h"

namespace zl {

using namespace charttest;
namespace fs = std::filesystem;

namespace {

std::string Resource(const char* name) {
    const EmbeddedFile* f = FindChartPageFile(name);
    return f ? std::string(reinterpret_cast<const char*>(f->data), f->size) : std::string();
}

TEST(PageFolder, PrivateFolderInTheTemporaryFolder) {
    TempDir tmp;
    const std::string folder = CreatePrivatePageFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(fs::path(folder).parent_path().string(), tmp.Path());
    EXPECT_EQ(fs::path(folder).filename().string().substr(0, 3), "zlx");
    struct stat st;
    ASSERT_EQ(stat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_NE(CreatePrivatePageFolder(), folder);
}

TEST(PageFolder, ChartWritesThePageFilesAndDeletesThemWithItself) {
    TempDir tmp;
    std::string folder;
    {
        CHtmlChart chart;
        folder = chart.Folder();
        EXPECT_EQ(chart.PageFilesWritten(), 3);
        for (const char* name : {"ZLXChart.html", "ZLXChart.js", "ZLXChart1.js"}) {
            EXPECT_EQ(ReadFile(folder + "/" + name), Resource(name)) << name;
        }
        chart.WritePage();
        EXPECT_TRUE(fs::exists(folder + "/LoadData.js"));
    }
    EXPECT_FALSE(fs::exists(folder));
}

TEST(PageFolder, GivenFolderIsMadeAndKept) {
    TempDir tmp;
    const std::string folder = tmp.Path() + "/out page";
    {
        CHtmlChart chart(folder + "\\");
        EXPECT_EQ(chart.Folder(), folder);
        EXPECT_EQ(chart.PageFilesWritten(), 3);
        chart.AddPoint(0, 1);
        EXPECT_TRUE(chart.WritePage());
    }
    for (const char* name : {"ZLXChart.html", "ZLXChart.js", "ZLXChart1.js", "LoadData.js"}) {
        EXPECT_TRUE(fs::exists(folder + "/" + name)) << name;
    }
}

TEST(PageFolder, PageAddress) {
    struct Case {
        const char* folder;
        const char* url;
    } cases[] = {
        {"/tmp/zlxAb12", "file:///tmp/zlxAb12/ZLXChart.html"},
        {"C:\\Documents and Settings\\me\\zlx1A2B.tmp",
         "file:///C:/Documents%20and%20Settings/me/zlx1A2B.tmp/ZLXChart.html"},
        {"/tmp/a#b?c%d/", "file:///tmp/a%23b%3Fc%25d/ZLXChart.html"},
    };
    for (const auto& c : cases) EXPECT_EQ(PageUrlOf(c.folder), c.url);
}

TEST(PageFolder, HtmlLoadsTheScriptsInOrder) {
    const std::string html = Resource("ZLXChart.html");
    const size_t lib = html.find("src=\"./ZLXChart.js\"");
    const size_t page = html.find("src=\"./ZLXChart1.js\"");
    const size_t data = html.find("src=\"./LoadData.js\"");
    ASSERT_NE(lib, std::string::npos);
    EXPECT_LT(lib, page);
    EXPECT_LT(page, data);
    EXPECT_NE(html.find("charset=\"utf-8\""), std::string::npos);
    EXPECT_NE(html.find("initWin(LoadData(), LoadOption())"), std::string::npos);
    size_t canvases = 0;
    for (size_t p = html.find("<canvas"); p != std::string::npos; p = html.find("<canvas", p + 1)) {
        ++canvases;
    }
    EXPECT_EQ(canvases, 4u);
}

TEST(PageFolder, ChartLibraryTravelsUnmodifiedWithItsLicence) {
    const std::string js = Resource("ZLXChart.js");
    const std::string lib = ReadFile(ZL_CHARTJS_SOURCE);
    ASSERT_FALSE(lib.empty());
    const size_t at = js.find(lib);
    ASSERT_NE(at, std::string::npos);
    const std::string head = js.substr(0, at);
    EXPECT_NE(head.find("Permission is hereby granted, free of charge"), std::string::npos);
    EXPECT_NE(head.find("Copyright (c) 2013-2015 Nick Downie"), std::string::npos);
    EXPECT_NE(js.find("scaleStepGridLines", at + lib.size()), std::string::npos);
}

}  // namespace

}  // namespace zl
