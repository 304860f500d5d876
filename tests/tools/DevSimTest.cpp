// devsim on its own: the command line, start-up failures and what it answers over HTTP
// (authentication, bad requests) — the device link tests cover the good answers.
#include <gtest/gtest.h>
#include <httplib.h>

#include <fstream>
#include <string>
#include <vector>

#include "CountGen.h"
#include "CountingDb.h"
#include "DevSim.h"
#include "DevSimOptions.h"
#include "ToolsTestKit.h"

namespace zl {

namespace {

std::string MakePeopleDb(const TempFolder& dir, int cameras) {
    CountGenOptions o;
    o.root = dir.Path();
    o.types = {1};
    o.days = 1;
    o.endYear = 2024;
    o.endMonth = 3;
    o.endDay = 15;
    o.cameras = cameras;
    std::string error;
    EXPECT_EQ(GenerateDatabases(o, nullptr, &error), 1) << error;
    return dir / "PeopleCounterData/PeopleCounter.db";
}

TEST(DevSimOptions, CommandLine) {
    TempFolder dir;
    {
        std::ofstream(dir / "pw") << "top secret\r\nsecond line\n";
        std::ofstream(dir / "empty") << "";
    }
    struct Case {
        const char* what;
        std::vector<std::string> args;
        int result;
    };
    const std::string pw = dir / "pw";
    const Case cases[] = {
        {"password file", {"--db", "x.db", "--user", "u", "--password-file", pw}, 1},
        {"help", {"--help"}, 2},
        {"no db", {"--user", "u", "--password", "p"}, 0},
        {"no user", {"--db", "x.db", "--password", "p"}, 0},
        {"no password", {"--db", "x.db", "--user", "u"}, 0},
        {"missing password file",
         {"--db", "x.db", "--user", "u", "--password-file", dir / "no"},
         0},
        {"empty password file",
         {"--db", "x.db", "--user", "u", "--password-file", dir / "empty"},
         0},
        {"port text", {"--db", "x.db", "--user", "u", "--password", "p", "--port", "http"}, 0},
        {"port too big", {"--db", "x.db", "--user", "u", "--password", "p", "--port", "65536"}, 0},
        {"cameras 0", {"--db", "x.db", "--user", "u", "--password", "p", "--cameras", "0"}, 0},
        {"camera name without =",
         {"--db", "x.db", "--user", "u", "--password", "p", "--camera-name", "1"},
         0},
        {"camera name 65",
         {"--db", "x.db", "--user", "u", "--password", "p", "--camera-name", "65=X"},
         0},
        {"unknown", {"--db", "x.db", "--user", "u", "--password", "p", "--verbose", "1"}, 0},
        {"missing value", {"--db"}, 0},
    };
    for (const Case& c : cases) {
        DevSimConfig config;
        std::string error;
        EXPECT_EQ(ParseDevSimArgs(c.args, &config, &error), c.result) << c.what;
        if (c.result == 0) {
            EXPECT_FALSE(error.empty()) << c.what;
        }
    }

    DevSimConfig config;
    std::string error;
    ASSERT_EQ(ParseDevSimArgs(
                  {"--db", "x.db", "--user", "u", "--password-file", pw, "--port", "0", "--name",
                   "Gate", "--cameras", "5", "--camera-name", "2=Door = A", "--camera-name", "4="},
                  &config, &error),
              1)
        << error;
    EXPECT_EQ(config.password, "top secret");  // first line, without its line end
    EXPECT_EQ(config.port, 0);
    EXPECT_EQ(config.address, "127.0.0.1");
    EXPECT_EQ(config.name, "Gate");
    EXPECT_EQ(config.cameraCount, 5);
    EXPECT_EQ(config.cameraNames.at(2), "Door = A");
    EXPECT_EQ(config.cameraNames.at(4), "");
}

TEST(DevSim, StartFailuresAreExplained) {
    TempFolder dir;
    const std::string db = MakePeopleDb(dir, 2);
    ASSERT_TRUE(zl::testsupport::CountingDb(dir / "other.db")
                    .Table("records", {{"StartTime", "TEXT"}, {"Camera", "INTEGER"}})
                    .Write());
    struct Case {
        const char* what;
        DevSimConfig config;
        const char* mentions;
    };
    auto config = [&](const std::string& path) {
        DevSimConfig c;
        c.dbPath = path;
        c.user = "u";
        c.password = "p";
        return c;
    };
    std::vector<Case> cases = {
        {"missing file", config(dir / "missing.db"), "cannot open"},
        {"other table", config(dir / "other.db"), "not a 2D people-counter database"},
        {"no user", config(db), "user"},
    };
    cases[2].config.user = "";
    cases.push_back({"name beyond the cameras", config(db), "camera 3"});
    cases.back().config.cameraNames = {{3, "Three"}};
    for (const Case& c : cases) {
        DevSim sim;
        std::string error;
        EXPECT_EQ(sim.Start(c.config, &error), 0) << c.what;
        EXPECT_NE(error.find(c.mentions), std::string::npos) << c.what << ": " << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << c.what;
    }
    // A read-only open never creates the file.
    EXPECT_FALSE(std::filesystem::exists(dir / "missing.db"));
}

TEST(DevSim, AnswersOverHttp) {
    TempFolder dir;
    DevSimConfig config;
    config.dbPath = MakePeopleDb(dir, 2);
    config.user = "admin";
    config.password = "pw";
    DevSim sim;
    std::string error;
    ASSERT_EQ(sim.Start(config, &error), 1) << error;
    EXPECT_EQ(sim.CameraCount(), 2);

    httplib::Client anonymous("127.0.0.1", sim.Port());
    auto res = anonymous.Get("/api/v1/device");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 401);
    EXPECT_NE(res->get_header_value("WWW-Authenticate").find("Basic"), std::string::npos);

    httplib::Client wrong("127.0.0.1", sim.Port());
    wrong.set_basic_auth("admin", "pW");
    res = wrong.Get("/api/v1/device");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 401);

    httplib::Client client("127.0.0.1", sim.Port());
    client.set_basic_auth("admin", "pw");
    struct Case {
        const char* path;
        int status;
    };
    const Case cases[] = {
        {"/api/v1/device", 200},
        {"/api/v1/cameras/1", 200},
        {"/api/v1/cameras/0", 404},
        {"/api/v1/cameras/3", 404},
        {"/api/v1/cameras/99999999999999999999", 404},
        {"/api/v1/cameras/1/counts?from=2024-03-15T00:00:00&to=2024-03-15T23:59:59", 200},
        {"/api/v1/cameras/1/counts?from=2024-03-15T00:00:00", 400},
        {"/api/v1/cameras/1/counts?from=2024-03-15%2000:00:00&to=2024-03-15T23:59:59", 400},
        {"/api/v1/cameras/1/counts?from=2024-02-30T00:00:00&to=2024-03-15T23:59:59", 400},
        {"/api/v1/cameras/1/counts?from=x'%20OR%201=1--&to=2024-03-15T23:59:59", 400},
        {"/api/v1/cameras/3/counts?from=2024-03-15T00:00:00&to=2024-03-15T23:59:59", 404},
        {"/api/v2/device", 404},
        {"/", 404},
    };
    for (const Case& c : cases) {
        res = client.Get(c.path);
        ASSERT_TRUE(res) << c.path;
        EXPECT_EQ(res->status, c.status) << c.path;
        EXPECT_EQ(res->get_header_value("Content-Type"), "application/json") << c.path;
        EXPECT_FALSE(res->body.empty()) << c.path;
    }
    EXPECT_EQ(client.Get("/api/v1/cameras/2")->body, R"({"camera":2,"name":null})");
    res = client.Post("/api/v1/device", "{}", "application/json");
    ASSERT_TRUE(res);
    EXPECT_NE(res->status, 200);

    sim.Stop();
    sim.Stop();  // twice is fine
    EXPECT_FALSE(client.Get("/api/v1/device"));
}

}  // namespace

}  // namespace zl
