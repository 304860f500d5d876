// Adding and re-connecting sites with a scripted user on real data: countgen databases as local
// folders and files, an in-process recnetd on 127.0.0.1 and an in-process devsim.
#include <grpcpp/grpcpp.h>
#include <gtest/gtest.h>

#include <atomic>
#include <regex>
#include <thread>

#include "CountGen.h"
#include "DevSim.h"
#include "RecNetTestKit.h"
#include "SitesTestKit.h"
#include "base/CounterTypes.h"

namespace zl {

namespace {

using zl::testkit::TestServer;

// Cameras 1..3 of every counter type below `root`.
void Generate(const std::string& root, std::vector<int> types) {
    CountGenOptions o;
    o.root = root;
    o.types = std::move(types);
    o.days = 2;
    o.cameras = 3;
    o.intervalMinutes = 60;
    o.seed = 7;
    std::string error;
    ASSERT_EQ(GenerateDatabases(o, nullptr, &error), 1) << error;
}

std::function<void(SiteDialogFields&)> LocalAnswer(const std::string& path) {
    return [path](SiteDialogFields& f) {
        f.connectionType = kConnLocal;
        f.localPath = path;
    };
}

std::function<void(SiteDialogFields&)> RemoteAnswer(int type, int port, const std::string& user,
                                                    const std::string& password) {
    return [=](SiteDialogFields& f) {
        f.connectionType = type;
        f.address = "127.0.0.1";
        f.port = std::to_string(port);
        f.userName = user;
        f.password = password;
    };
}

std::vector<std::string> CameraNames(const SiteRecord& s) {
    std::vector<std::string> names;
    for (const CameraSlot& c : s.cameras)
        if (c.used) names.push_back(c.name);
    return names;
}

bool NameMatches(const std::string& name, const std::string& first, const std::string& second) {
    const std::regex time(R"( - \d{4}/\d{2}/\d{2} \d{2}:\d{2}:\d{2}$)");
    const std::string head = first + " - " + second;
    return name.compare(0, head.size(), head) == 0 && std::regex_search(name, time) &&
           name.size() == head.size() + 22;
}

int Add(SiteHarness& h, int counterType) {
    return IsPeopleCounterType(counterType) ? h.logic.AddPeopleSite(counterType)
                                            : h.logic.AddSite(counterType);
}

class SiteConnectFlow : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        all_ = new TempFolder;
        Generate(all_->Path(), {1, 2, 3, 4, 5, 6, 7});
    }
    static void TearDownTestSuite() {
        delete all_;
        all_ = nullptr;
    }
    static std::string Root() { return all_->Path(); }
    static std::string RootName() { return std::filesystem::path(Root()).filename().string(); }
    static TempFolder* all_;
    TempFolder dir_;
};
TempFolder* SiteConnectFlow::all_ = nullptr;

// --- Local sites --------------------------------------------------------------------------------

TEST_F(SiteConnectFlow, LocalFolderAndFileSitesOfEveryCounterType) {
    for (int type = 1; type <= 7; ++type) {
        for (const bool file : {false, true}) {
            SCOPED_TRACE("counter type " + std::to_string(type) + (file ? " file" : " folder"));
            SiteHarness h;
            const std::string path = file ? DatabasePathOfType(Root(), type) : Root();
            h.dialog.Ok(LocalAnswer(path));
            ASSERT_EQ(Add(h, type), 1);
            EXPECT_TRUE(h.prompt.asked.empty());
            ASSERT_EQ(h.sites.size(), 1u);
            const SiteRecord& s = h.sites[0];
            EXPECT_EQ(s.connectionType, kConnLocal);
            EXPECT_EQ(s.counterType, type);
            EXPECT_EQ(s.localDB, path);
            EXPECT_NE(s.localDb, nullptr);
            EXPECT_EQ(UsedCameras(s), (std::vector<int>{1, 2, 3}));
            EXPECT_EQ(s.cameras[1].name, "Camera02");
            EXPECT_EQ(s.cameras[0].is3D, type == 2 ? 1 : 0);
            const std::string last = std::filesystem::path(path).filename().string();
            EXPECT_TRUE(NameMatches(s.name, "Local", last)) << s.name;
            ASSERT_EQ(h.tree.Roots().size(), 1u);
            EXPECT_EQ(h.tree.Root(0)->children.size(), 3u);
            EXPECT_EQ(h.tree.Root(0)->children[0]->image,
                      type == 2 ? kImageCamera3D : kImageCamera);
        }
    }
}

// The re-connection in parts, as the window runs it on a worker thread: a stop after some
// sites leaves the others without the old type's connection and cameras, shown as not
// connected, and the next try before a query connects them.
TEST_F(SiteConnectFlow, StoppedRefreshLeavesTheRestNotConnectedUntilTheNextTry) {
    SiteHarness h;
    for (int i = 0; i < 5; ++i) {
        SiteRecord site;
        site.connectionType = kConnLocal;
        site.localDB = dir_.Path() + "/site" + std::to_string(i);
        Generate(site.localDB, {1, 5});
        site.name = "Site " + std::to_string(i);
        site.checked = 1;
        h.sites.push_back(site);
    }
    h.logic.RefreshSites(5);
    for (const SiteRecord& site : h.sites) ASSERT_EQ(UsedCameras(site).size(), 3u);

    SiteLogic::RefreshJob job = h.logic.BeginRefresh(1, true);
    std::atomic<int> started{0};
    std::thread worker([&] {
        SiteLogic::ConnectRefresh(
            job, [&] { return started.fetch_add(1) >= 2; }, nullptr);
    });
    worker.join();
    h.logic.EndRefresh(job);
    int connected = 0;
    for (size_t i = 0; i < h.sites.size(); ++i) {
        const SiteRecord& site = h.sites[i];
        if (job.done[i]) {
            ++connected;
            EXPECT_NE(site.localDb, nullptr);
            EXPECT_EQ(UsedCameras(site), (std::vector<int>{1, 2, 3}));
            EXPECT_FALSE(h.logic.IsUnreachable(site));
        } else {
            EXPECT_EQ(site.localDb, nullptr);
            EXPECT_TRUE(UsedCameras(site).empty());
            EXPECT_TRUE(h.logic.IsUnreachable(site));
            EXPECT_EQ(h.tree.RootTexts()[i], site.name + " (not connected)");
        }
    }
    EXPECT_EQ(connected, 2);
    EXPECT_TRUE(h.prompt.texts.empty());
    EXPECT_EQ(h.logic.RetryUnreachable(), 0);
    for (const SiteRecord& site : h.sites)
        EXPECT_EQ(UsedCameras(site), (std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(h.prompt.texts.empty());
}

TEST_F(SiteConnectFlow, DatabaseWithoutCameraTableSays113AndStoresNothing) {
    const std::string odd = dir_ / "odd.db";
    ASSERT_TRUE(zl::testkit::ExecWritable(odd, "CREATE TABLE notes(text TEXT);"));
    SiteHarness h;
    h.sites.push_back(SiteRecord{});  // an earlier site stays as it was
    h.dialog.Ok(LocalAnswer(odd));
    EXPECT_EQ(h.logic.AddPeopleSite(1), 0);
    EXPECT_EQ(h.prompt.Ids(), (std::vector<unsigned>{113}));
    EXPECT_EQ(h.sites.size(), 1u);
    EXPECT_TRUE(h.tree.Roots().empty());

    // A 3D database offers no "records" table to the other counter types.
    h.dialog.Ok(LocalAnswer(DatabasePathOfType(Root(), 2)));
    EXPECT_EQ(h.logic.AddSite(3), 0);
    EXPECT_EQ(h.prompt.Ids(), (std::vector<unsigned>{113, 113}));
    EXPECT_EQ(h.sites.size(), 1u);
}

TEST_F(SiteConnectFlow, DatabaseThatCannotBeOpenedIsStoredWithoutCameras) {
    SiteHarness h;
    h.dialog.Ok(LocalAnswer(dir_.Path()));  // an empty folder
    EXPECT_EQ(h.logic.AddPeopleSite(1), 1);
    EXPECT_EQ(h.prompt.Ids(), (std::vector<unsigned>{113}));
    ASSERT_EQ(h.sites.size(), 1u);
    EXPECT_TRUE(UsedCameras(h.sites[0]).empty());
    ASSERT_EQ(h.tree.Roots().size(), 1u);  // shown, without cameras
    EXPECT_TRUE(h.tree.Root(0)->children.empty());
}

TEST_F(SiteConnectFlow, SameFolderTextReplacesTheLocalSite) {
    SiteHarness h;
    h.dialog.Ok(LocalAnswer(Root()));
    h.dialog.Ok(LocalAnswer(Root()));
    h.dialog.Ok(LocalAnswer(Root() + "/"));  // the same folder written differently
    ASSERT_EQ(h.logic.AddPeopleSite(1), 1);
    h.sites[0].name = "renamed";
    ASSERT_EQ(h.logic.AddPeopleSite(2), 1);
    ASSERT_EQ(h.sites.size(), 1u);
    EXPECT_EQ(h.sites[0].counterType, 2);  // the new record took the old one's place
    EXPECT_NE(h.sites[0].name, "renamed");
    ASSERT_EQ(h.logic.AddPeopleSite(2), 1);
    EXPECT_EQ(h.sites.size(), 2u);
    EXPECT_EQ(h.tree.Roots().size(), 2u);
}

TEST_F(SiteConnectFlow, CancelledDialogChangesNothing) {
    SiteHarness h;
    h.dialog.Cancel();
    EXPECT_EQ(h.logic.AddPeopleSite(1), 0);
    EXPECT_TRUE(h.sites.empty());
    ASSERT_EQ(h.dialog.seen.size(), 1u);
    const SiteDialogFields& f = h.dialog.seen[0];  // what the first dialog is opened with
    EXPECT_EQ(f.connectionType, kConnServer);
    EXPECT_EQ(f.port, "700");
    EXPECT_EQ(f.address, "");
    EXPECT_EQ(f.userName, "");
    EXPECT_EQ(f.counterType, 1);
    EXPECT_EQ(h.dialog.purposes[0], SiteDialogPurpose::kNewSite);
}

// --- Server sites -------------------------------------------------------------------------------

class ServerFlow : public SiteConnectFlow {
  protected:
    void StartServer(const std::string& root) {
        server_ = std::make_unique<TestServer>(std::vector<std::string>{root});
        ASSERT_TRUE(server_->Start());
    }
    std::unique_ptr<TestServer> server_;
};

TEST_F(ServerFlow, LogInRefusedThenAcceptedKeepsTheAcceptedPassword) {
    StartServer(Root());
    SiteHarness h;
    h.dialog.Ok(RemoteAnswer(kConnServer, server_->Port(), TestServer::kUser, "wrong"));
    h.dialog.Ok([](SiteDialogFields& f) { f.password = TestServer::kPassword; });
    h.prompt.answers = {kAnswerYes};
    ASSERT_EQ(h.logic.AddPeopleSite(1), 1);

    EXPECT_EQ(h.prompt.Ids(), (std::vector<unsigned>{111}));
    EXPECT_EQ(h.prompt.asked[0].buttons, PromptButtons::kYesNo);
    ASSERT_EQ(h.dialog.seen.size(), 2u);
    EXPECT_EQ(h.dialog.purposes[1], SiteDialogPurpose::kLoginRetry);
    const SiteDialogFields& retry = h.dialog.seen[1];  // prefilled, password typed again
    EXPECT_EQ(retry.port, std::to_string(server_->Port()));
    EXPECT_EQ(retry.userName, TestServer::kUser);
    EXPECT_EQ(retry.address, "127.0.0.1");
    EXPECT_EQ(retry.password, "");

    ASSERT_EQ(h.sites.size(), 1u);
    SiteRecord& s = h.sites[0];
    EXPECT_EQ(s.password, TestServer::kPassword);
    EXPECT_NE(s.client2D, nullptr);
    EXPECT_EQ(s.client3D, nullptr);
    EXPECT_EQ(UsedCameras(s), (std::vector<int>{1, 2, 3}));
    EXPECT_NE(s.localDB.find("PeopleCounter.db"), std::string::npos);
    EXPECT_TRUE(NameMatches(s.name, "test-server", "127.0.0.1")) << s.name;
    EXPECT_EQ(h.tree.Roots().size(), 1u);

    // The next re-connection logs in with the stored password.
    h.logic.RefreshPeopleSites(2);
    EXPECT_EQ(h.prompt.Ids(), (std::vector<unsigned>{111}));
    EXPECT_NE(h.sites[0].client3D, nullptr);
    EXPECT_EQ(h.sites[0].cameras[0].is3D, 1);
    EXPECT_EQ(h.tree.Roots().size(), 1u);
}

TEST_F(ServerFlow, RefusedLogInWithNoOrCancelLeavesTheListUnchanged) {
    StartServer(Root());
    SiteHarness h;
    h.sites.push_back(SiteRecord{});
    h.sites[0].name = "kept";
    // No to the question.
    h.dialog.Ok(RemoteAnswer(kConnServer, server_->Port(), TestServer::kUser, "wrong"));
    h.prompt.answers = {kAnswerNo};
    EXPECT_EQ(h.logic.AddPeopleSite(1), 0);
    // Yes, then the retry dialog cancelled.
    h.dialog.Ok(RemoteAnswer(kConnServer, server_->Port(), TestServer::kUser, "wrong"));
    h.dialog.Cancel();
    h.prompt.answers = {kAnswerYes};
    EXPECT_EQ(h.logic.AddPeopleSite(2), 0);
    EXPECT_EQ(h.prompt.Ids(), (std::vector<unsigned>{111, 111}));
    ASSERT_EQ(h.sites.size(), 1u);
    EXPECT_EQ(h.sites[0].name, "kept");
    EXPECT_TRUE(h.tree.Roots().empty());
}

TEST_F(ServerFlow, EmptyTwoDPathGives113AndASiteWithoutCameras) {
    Generate(dir_.Path(), {3});  // the server has no people-counter database
    StartServer(dir_.Path());
    SiteHarness h;
    h.dialog.Ok(
        RemoteAnswer(kConnServer, server_->Port(), TestServer::kUser, TestServer::kPassword));
    ASSERT_EQ(h.logic.AddPeopleSite(1), 1);
    EXPECT_EQ(h.prompt.Ids(), (std::vector<unsigned>{113}));
    ASSERT_EQ(h.sites.size(), 1u);
    EXPECT_TRUE(UsedCameras(h.sites[0]).empty());
    ASSERT_EQ(h.tree.Roots().size(), 1u);
    EXPECT_TRUE(h.tree.Root(0)->children.empty());
}

TEST_F(ServerFlow, OtherCounterTypesUseTheServersDatabaseList) {
    StartServer(Root());
    SiteHarness h;
    h.dialog.Ok(
        RemoteAnswer(kConnServer, server_->Port(), TestServer::kUser, TestServer::kPassword));
    ASSERT_EQ(h.logic.AddSite(5), 1);
    EXPECT_TRUE(h.prompt.asked.empty());
    const SiteRecord& s = h.sites.at(0);
    EXPECT_NE(s.clientOther, nullptr);
    EXPECT_EQ(s.client2D, nullptr);
    EXPECT_NE(s.localDB.find("FlowCount.db"), std::string::npos);
    EXPECT_EQ(UsedCameras(s), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(h.tree.Roots().size(), 1u);
}

TEST_F(ServerFlow, SameServerAddressReplacesTheHiddenServerSite) {
    StartServer(Root());
    SiteHarness h;
    SiteRecord old;
    old.name = "old server";
    old.connectionType = kConnServer;
    old.ipAddress = "127.0.0.1";
    SiteRecord other;
    other.name = "other";
    other.connectionType = kConnServer;
    other.ipAddress = "10.1.2.3";
    h.sites = {other, old};
    h.dialog.Ok(
        RemoteAnswer(kConnServer, server_->Port(), TestServer::kUser, TestServer::kPassword));
    ASSERT_EQ(h.logic.AddPeopleSite(1), 1);
    ASSERT_EQ(h.sites.size(), 2u);
    EXPECT_EQ(h.sites[0].name, "other");
    EXPECT_TRUE(NameMatches(h.sites[1].name, "test-server", "127.0.0.1"));
}

TEST_F(ServerFlow, UnreachableServerSays110AndStoresNothing) {
    StartServer(Root());
    const int port = server_->Port();
    server_->Stop();
    SiteHarness h;
    h.dialog.Ok(RemoteAnswer(kConnServer, port, TestServer::kUser, TestServer::kPassword));
    EXPECT_EQ(h.logic.AddPeopleSite(1), 0);
    EXPECT_EQ(h.prompt.Ids(), (std::vector<unsigned>{110}));
    EXPECT_TRUE(h.sites.empty());
}

// --- Device sites -------------------------------------------------------------------------------

class DeviceFlow : public SiteConnectFlow {
  protected:
    void StartDevice() {
        DevSimConfig c;
        c.dbPath = DatabasePathOfType(Root(), 1);
        c.user = "dev";
        c.password = "secret";
        c.name = "Shop door";
        c.cameraCount = 3;
        c.cameraNames = {{1, "Entrance"}, {3, "Exit"}};
        std::string error;
        ASSERT_EQ(sim_.Start(c, &error), 1) << error;
    }
    DevSim sim_;
};

TEST_F(DeviceFlow, CamerasKeepTheDevicesNamesOrGetCameraNN) {
    StartDevice();
    SiteHarness h;
    h.dialog.Ok(RemoteAnswer(kConnDevice, sim_.Port(), "dev", "secret"));
    ASSERT_EQ(h.logic.AddPeopleSite(1), 1);
    EXPECT_TRUE(h.prompt.asked.empty());
    const SiteRecord& s = h.sites.at(0);
    EXPECT_NE(s.deviceLink, nullptr);
    EXPECT_EQ(CameraNames(s), (std::vector<std::string>{"Entrance", "Camera02", "Exit"}));
    EXPECT_TRUE(NameMatches(s.name, "Shop door", "127.0.0.1")) << s.name;
    ASSERT_EQ(h.tree.Roots().size(), 1u);
    EXPECT_EQ(h.tree.Root(0)->children.size(), 3u);
}

TEST_F(DeviceFlow, RefusedThenAcceptedInTheRetryDialog) {
    StartDevice();
    SiteHarness h;
    h.dialog.Ok(RemoteAnswer(kConnDevice, sim_.Port(), "dev", "nope"));
    h.dialog.Ok([](SiteDialogFields& f) { f.password = "secret"; });
    h.prompt.answers = {kAnswerYes};
    ASSERT_EQ(h.logic.AddPeopleSite(1), 1);
    EXPECT_EQ(h.prompt.Ids(), (std::vector<unsigned>{111}));
    ASSERT_EQ(h.dialog.seen.size(), 2u);
    EXPECT_EQ(h.dialog.seen[1].connectionType, kConnDevice);
    EXPECT_EQ(h.dialog.seen[1].port, std::to_string(sim_.Port()));
    EXPECT_EQ(h.sites.at(0).password, "secret");
    // Re-connecting with what was stored works without a word.
    h.logic.RefreshPeopleSites(1);
    EXPECT_EQ(h.prompt.Ids(), (std::vector<unsigned>{111}));
    EXPECT_EQ(UsedCameras(h.sites[0]), (std::vector<int>{1, 2, 3}));
}

TEST_F(DeviceFlow, DeviceReplacesAHiddenServerSiteButNotAnotherDevice) {
    StartDevice();
    SiteHarness h;
    SiteRecord server;
    server.name = "hidden server";
    server.connectionType = kConnServer;
    server.ipAddress = "127.0.0.1";
    h.sites = {server};
    h.dialog.Ok(RemoteAnswer(kConnDevice, sim_.Port(), "dev", "secret"));
    h.dialog.Ok(RemoteAnswer(kConnDevice, sim_.Port(), "dev", "secret"));
    ASSERT_EQ(h.logic.AddPeopleSite(1), 1);
    ASSERT_EQ(h.sites.size(), 1u);
    EXPECT_EQ(h.sites[0].connectionType, kConnDevice);
    ASSERT_EQ(h.logic.AddPeopleSite(1), 1);
    EXPECT_EQ(h.sites.size(), 2u);  // two devices with one address are both kept
    EXPECT_EQ(h.tree.Roots().size(), 2u);
}

TEST_F(DeviceFlow, OtherCounterTypesStoreADeviceUnconnected) {
    StartDevice();
    SiteHarness h;
    h.dialog.Ok(RemoteAnswer(kConnDevice, sim_.Port(), "dev", "wrong"));
    ASSERT_EQ(h.logic.AddSite(4), 1);
    EXPECT_TRUE(h.prompt.asked.empty());
    ASSERT_EQ(h.sites.size(), 1u);
    EXPECT_EQ(h.sites[0].deviceLink, nullptr);
    EXPECT_TRUE(NameMatches(h.sites[0].name, "Unnamed", "127.0.0.1"));
    EXPECT_TRUE(h.tree.Roots().empty());  // hidden until the next re-connection
}

// --- Re-connection ------------------------------------------------------------------------------

TEST_F(SiteConnectFlow, CounterTypeChangeHidesALocalFileOfAnotherType) {
    SiteHarness h;
    h.dialog.Ok(LocalAnswer(DatabasePathOfType(Root(), 1)));
    h.dialog.Ok(LocalAnswer(Root()));
    ASSERT_EQ(h.logic.AddPeopleSite(1), 1);
    ASSERT_EQ(h.logic.AddPeopleSite(1), 1);
    ASSERT_EQ(h.tree.Roots().size(), 2u);

    h.logic.RefreshSites(3);
    EXPECT_TRUE(h.prompt.asked.empty());
    EXPECT_EQ(h.sites[0].localDb, nullptr);
    EXPECT_EQ(h.sites[0].treeItem, nullptr);
    ASSERT_EQ(h.tree.Roots().size(), 1u);
    EXPECT_EQ(h.tree.Root(0), h.sites[1].treeItem);
    EXPECT_EQ(h.logic.UsePeopleWorker(), 0);

    h.logic.RefreshPeopleSites(1);  // back to its own type: shown again
    EXPECT_EQ(h.tree.Roots().size(), 2u);
    EXPECT_EQ(h.logic.UsePeopleWorker(), 1);
}

TEST_F(SiteConnectFlow, RenamedCameraIsNamedAgainByTheNextReconnection) {
    SiteHarness h;
    h.dialog.Ok(LocalAnswer(Root()));
    ASSERT_EQ(h.logic.AddPeopleSite(1), 1);
    FakeTree::Node* cam = h.tree.Root(0)->children[0];
    cam->text = "Door";
    h.logic.RenameTreeItem(cam);
    EXPECT_EQ(h.sites[0].cameras[0].name, "Door");
    h.logic.RefreshPeopleSites(1);
    EXPECT_EQ(h.sites[0].cameras[0].name, "Camera01");
    EXPECT_EQ(h.tree.Root(0)->children[0]->text, "Camera01");
}

TEST_F(ServerFlow, ReconnectionTellsEachFailureAndGoesOn) {
    StartServer(Root());
    SiteHarness h;
    SiteRecord refused;
    refused.connectionType = kConnServer;
    refused.ipAddress = "127.0.0.1";
    refused.port = std::to_string(server_->Port());
    refused.userName = TestServer::kUser;
    refused.password = "stale";
    SiteRecord unreachable = refused;
    unreachable.port = "1";
    SiteRecord empty;
    empty.connectionType = kConnLocal;
    empty.localDB = dir_.Path();
    SiteRecord good = empty;
    good.localDB = Root();
    h.sites = {refused, unreachable, empty, good};

    h.sites[1].name = "Door";
    h.logic.RefreshPeopleSites(1);
    // Each failure names its site (its name, else its address or folder) and the cause.
    const std::string port = std::to_string(server_->Port());
    EXPECT_EQ(h.prompt.texts,
              (std::vector<std::string>{"Site \"127.0.0.1:" + port + "\": refused",
                                        "Site \"Door\": no answer",
                                        "Site \"" + dir_.Path() + "\": no database"}));
    for (const auto& a : h.prompt.asked) EXPECT_EQ(a.buttons, PromptButtons::kOk);
    EXPECT_EQ(h.sites[0].client2D, nullptr);
    EXPECT_EQ(h.sites[1].client2D, nullptr);
    EXPECT_EQ(UsedCameras(h.sites[3]), (std::vector<int>{1, 2, 3}));
    // The servers that failed stay in the tree, marked; the empty folder's database cannot be
    // opened: still shown as a local site.
    EXPECT_TRUE(h.logic.IsUnreachable(h.sites[0]));
    EXPECT_TRUE(h.logic.IsUnreachable(h.sites[1]));
    EXPECT_FALSE(h.logic.IsUnreachable(h.sites[2]));
    ASSERT_EQ(h.tree.Roots().size(), 4u);
    EXPECT_EQ(h.tree.RootTexts()[1], "Door (not connected)");
    EXPECT_TRUE(h.tree.Roots()[1]->children.empty());

    // Renaming a marked site keeps the mark out of its name.
    h.tree.SetItemText(h.tree.Roots()[1], "Back door (not connected)");
    h.logic.RenameTreeItem(h.tree.Roots()[1]);
    EXPECT_EQ(h.sites[1].name, "Back door");

    // The next try (before a query) reaches the one whose password is right now, and tells the
    // other again.
    h.sites[0].password = TestServer::kPassword;
    h.prompt.texts.clear();
    EXPECT_EQ(h.logic.RetryUnreachable(), 1);
    EXPECT_EQ(h.prompt.texts, (std::vector<std::string>{"Site \"Back door\": no answer"}));
    EXPECT_NE(h.sites[0].client2D, nullptr);
    EXPECT_EQ(UsedCameras(h.sites[0]), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(h.tree.RootTexts()[1], "Back door (not connected)");
    EXPECT_EQ(h.tree.Roots()[0]->children.size(), 3u);
}

TEST_F(ServerFlow, ALogInWithoutAnAnswerIsNoRefusal) {
    // Something listens at the address but is no record-database server: the log-in fails on
    // the way, and the user is told the site cannot be reached instead of being asked for a
    // password again.
    int port = 0;
    // A gRPC server of no service at all: every call is answered UNIMPLEMENTED from its
    // completion queue.
    grpc::ServerBuilder builder;
    builder.AddListeningPort("127.0.0.1:0", grpc::InsecureServerCredentials(), &port);
    std::unique_ptr<grpc::ServerCompletionQueue> queue = builder.AddCompletionQueue();
    const std::unique_ptr<grpc::Server> stranger = builder.BuildAndStart();
    ASSERT_TRUE(stranger);
    std::thread poller([&queue] {
        void* tag = nullptr;
        bool ok = false;
        while (queue->Next(&tag, &ok)) {
        }
    });
    struct Stop {
        grpc::Server& server;
        grpc::ServerCompletionQueue& queue;
        std::thread& poller;
        ~Stop() {
            server.Shutdown(std::chrono::system_clock::now());
            queue.Shutdown();
            poller.join();
        }
    } stop{*stranger, *queue, poller};
    ASSERT_GT(port, 0);
    SiteHarness h;
    h.dialog.Ok(RemoteAnswer(kConnServer, port, TestServer::kUser, TestServer::kPassword));
    EXPECT_EQ(h.logic.AddPeopleSite(1), 0);
    EXPECT_EQ(h.prompt.Ids(), (std::vector<unsigned>{110}));
    EXPECT_EQ(h.dialog.seen.size(), 1u);
    EXPECT_TRUE(h.sites.empty());
}

}  // namespace

}  // namespace zl
