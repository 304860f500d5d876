// The site logic's work on the tree: filling, check propagation both ways, renaming, the
// context menu, deleting and the - button. Sites are made by hand with a local object as their
// connection; no database is opened.
#include <gtest/gtest.h>

#include <map>

#include "SitesTestKit.h"
#include "recnet/RecNet.h"

namespace zl {

namespace {

SiteRecord ShownSite(const std::string& name, std::vector<int> cameras, bool is3D = false) {
    SiteRecord s;
    s.name = name;
    s.connectionType = kConnLocal;
    s.localDB = "/data/" + name;
    s.localDb = CreateRecNetLocal();
    for (int n : cameras) {
        CameraSlot& slot = s.cameras[static_cast<size_t>(n - 1)];
        slot.used = 1;
        slot.name = "Camera0" + std::to_string(n);
        slot.is3D = is3D ? 1 : 0;
    }
    return s;
}

class SiteTreeLogic : public ::testing::Test {
  protected:
    FakeTree::Node* Site(size_t i) { return h.tree.Root(i); }
    FakeTree::Node* Camera(size_t site, size_t cam) { return Site(site)->children[cam]; }
    void Click(FakeTree::Node* item, bool toggleCheck = true) {
        if (toggleCheck) item->checked = !item->checked;  // the tree applies the click first
        h.logic.OnTreeCheckChanged(item);
    }
    SiteHarness h;
};

TEST_F(SiteTreeLogic, FillShowsConnectedSitesWithTheirCamerasAndChecks) {
    h.sites.push_back(ShownSite("A", {1, 3}));
    SiteRecord hidden;
    hidden.name = "hidden";
    hidden.treeItem = reinterpret_cast<void*>(0x1234);  // left over from an old tree
    h.sites.push_back(hidden);
    h.sites.push_back(ShownSite("B", {2}, true));
    h.sites[0].checked = 1;
    h.sites[0].cameras[2].checked = 1;

    h.logic.FillPeopleSiteTree();
    ASSERT_EQ(h.tree.RootTexts(), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(h.sites[0].treeItem, Site(0));
    EXPECT_EQ(h.sites[1].treeItem, nullptr);  // hidden sites carry no item
    EXPECT_EQ(h.sites[2].treeItem, Site(1));
    EXPECT_TRUE(Site(0)->checked);
    EXPECT_TRUE(Site(0)->expanded);
    EXPECT_EQ(Site(0)->image, kImageSite);
    EXPECT_EQ(Site(0)->selectedImage, kImageSiteSelected);
    ASSERT_EQ(Site(0)->children.size(), 2u);
    EXPECT_EQ(Camera(0, 1)->text, "Camera03");
    EXPECT_TRUE(Camera(0, 1)->checked);
    EXPECT_FALSE(Camera(0, 0)->checked);
    EXPECT_EQ(h.sites[0].cameras[2].treeItem, Camera(0, 1));
    // 3D cameras have their own pictures in the people-counter mode only.
    EXPECT_EQ(Camera(1, 0)->image, kImageCamera3D);
    EXPECT_EQ(Camera(1, 0)->selectedImage, kImageCamera3DSelected);
    h.logic.FillSiteTree();
    EXPECT_EQ(Camera(1, 0)->image, kImageCamera);
    EXPECT_EQ(Camera(1, 0)->selectedImage, kImageCameraSelected);
}

TEST_F(SiteTreeLogic, ClientOtherCountsAsConnectionOnlyInTheOtherMode) {
    SiteRecord s;
    s.name = "server";
    s.clientOther = CreateRecNetClient();
    h.sites.push_back(s);
    h.logic.FillPeopleSiteTree();
    EXPECT_TRUE(h.tree.Roots().empty());
    h.logic.FillSiteTree();
    EXPECT_EQ(h.tree.Roots().size(), 1u);
}

TEST_F(SiteTreeLogic, CheckPropagatesFromCamerasToSiteAndBack) {
    h.sites.push_back(ShownSite("A", {1, 2, 3}));
    h.sites.push_back(ShownSite("B", {}));
    h.logic.FillPeopleSiteTree();
    int changed = 0;
    h.logic.SetChecksChangedHandler([&] { ++changed; });

    Click(Camera(0, 0));  // a camera checked: its site too
    EXPECT_TRUE(Site(0)->checked);
    Click(Camera(0, 1));
    Click(Camera(0, 0));  // unchecked while another camera stays checked: site stays
    EXPECT_TRUE(Site(0)->checked);
    EXPECT_EQ(h.sites[0].checked, 1);
    EXPECT_EQ(h.sites[0].cameras[0].checked, 0);
    EXPECT_EQ(h.sites[0].cameras[1].checked, 1);
    Click(Camera(0, 1));  // the last checked camera goes: the site goes
    EXPECT_FALSE(Site(0)->checked);
    EXPECT_EQ(h.sites[0].checked, 0);

    Click(Site(0));  // a site gives its state to every camera
    for (auto* c : Site(0)->children) EXPECT_TRUE(c->checked);
    EXPECT_EQ(h.sites[0].cameras[2].checked, 1);
    Click(Site(0));
    for (auto* c : Site(0)->children) EXPECT_FALSE(c->checked);

    Click(Site(1));  // a site without cameras keeps its own state
    EXPECT_TRUE(Site(1)->checked);
    EXPECT_EQ(h.sites[1].checked, 1);
    EXPECT_EQ(changed, 7);

    h.logic.OnTreeCheckChanged(nullptr);  // a click on no item: nothing read back
    EXPECT_EQ(changed, 7);
    EXPECT_EQ(h.logic.LastClickedItem(), nullptr);
}

TEST_F(SiteTreeLogic, Has3DCamerasNeedsACheckedThreeDCameraOfACheckedSite) {
    h.sites.push_back(ShownSite("2D", {1}));
    h.sites.push_back(ShownSite("3D", {1, 2}, true));
    h.logic.FillPeopleSiteTree();
    Click(Camera(0, 0));
    EXPECT_EQ(h.logic.Has3DCameras(), 0);
    Click(Camera(1, 1));
    EXPECT_EQ(h.logic.Has3DCameras(), 1);
    Click(Camera(1, 1));
    EXPECT_EQ(h.logic.Has3DCameras(), 0);
}

TEST_F(SiteTreeLogic, RenameTakesTheLabelIntoSiteOrCamera) {
    h.sites.push_back(ShownSite("A", {1}));
    h.sites.push_back(ShownSite("B", {4}));
    h.logic.FillPeopleSiteTree();
    Site(1)->text = "Front shop";
    h.logic.RenameTreeItem(Site(1));
    Camera(1, 0)->text = "Door";
    h.logic.RenameTreeItem(Camera(1, 0));
    EXPECT_EQ(h.sites[1].name, "Front shop");
    EXPECT_EQ(h.sites[1].cameras[3].name, "Door");
    EXPECT_EQ(h.sites[0].name, "A");
    h.logic.RenameTreeItem(nullptr);  // hidden sites (item 0) are never renamed
    EXPECT_EQ(h.sites[0].name, "A");
}

struct MenuCase {
    const char* what;
    std::vector<int> commands;  // 0 = separator
};

TEST_F(SiteTreeLogic, ContextMenuDependsOnTheItem) {
    h.sites.push_back(ShownSite("with", {1}));
    h.sites.push_back(ShownSite("without", {}));
    h.logic.FillPeopleSiteTree();
    const std::vector<std::pair<SiteTreeItem, MenuCase>> cases = {
        {nullptr, {"none", {0, kCmdAddSite, 0}}},
        {Site(0), {"site with cameras", {0, kCmdRenameItem, 0, kCmdDeleteSite, 0}}},
        {Camera(0, 0), {"camera", {0, kCmdRenameItem, 0}}},
        {Site(1), {"site without cameras", {kCmdDeleteSite, 0}}},
    };
    for (const auto& [item, c] : cases) {
        h.menu.choose = 0;
        EXPECT_EQ(h.logic.OnTreeContextMenu(item, 5, 7), 0) << c.what;
        std::vector<int> got;
        for (const TreeMenuEntry& e : h.menu.shown) got.push_back(e.command);
        EXPECT_EQ(got, c.commands) << c.what;
        EXPECT_EQ(h.logic.LastClickedItem(), item) << c.what;
        EXPECT_FALSE(h.menu.lastAtCursor);
    }
    const std::map<int, unsigned> texts = {
        {kCmdAddSite, 3}, {kCmdDeleteSite, 4}, {kCmdRenameItem, 33}};
    h.logic.OnTreeContextMenu(Site(0), 1, 1);
    for (const TreeMenuEntry& e : h.menu.shown)
        if (e.command) {
            EXPECT_EQ(e.stringId, texts.at(e.command));
        }
    h.logic.OnTreeContextMenu(nullptr, 0, 0);  // no point: the menu opens at the cursor
    EXPECT_TRUE(h.menu.lastAtCursor);
}

TEST_F(SiteTreeLogic, MenuCommandsRenameDeleteAndAdd) {
    h.sites.push_back(ShownSite("A", {1}));
    h.sites.push_back(ShownSite("B", {2}));
    h.logic.FillPeopleSiteTree();
    h.menu.choose = kCmdRenameItem;
    FakeTree::Node* cam = Camera(0, 0);
    h.logic.OnTreeContextMenu(cam, 3, 3);
    ASSERT_EQ(h.tree.edited.size(), 1u);
    EXPECT_EQ(h.tree.edited[0], cam);

    // Delete asks first, naming the site; Cancel keeps it.
    h.menu.choose = kCmdDeleteSite;
    h.logic.OnTreeContextMenu(Site(0), 3, 3);
    ASSERT_EQ(h.prompt.texts.size(), 1u);
    EXPECT_EQ(h.prompt.texts[0], "Delete this site?\n\nA");
    EXPECT_EQ(h.prompt.asked.back().buttons, PromptButtons::kOkCancel);
    EXPECT_EQ(h.sites.size(), 2u);
    EXPECT_EQ(h.tree.RootTexts(), (std::vector<std::string>{"A", "B"}));
    h.prompt.textAnswers = {kAnswerOk};
    h.logic.OnTreeContextMenu(Site(0), 3, 3);
    ASSERT_EQ(h.sites.size(), 1u);
    EXPECT_EQ(h.sites[0].name, "B");
    EXPECT_EQ(h.tree.RootTexts(), (std::vector<std::string>{"B"}));

    h.menu.choose = kCmdAddSite;  // opens the connection dialog; cancelled: nothing changes
    h.logic.SetCounterType(3, 0);
    h.logic.OnTreeContextMenu(nullptr, 3, 3);
    ASSERT_EQ(h.dialog.seen.size(), 1u);
    EXPECT_EQ(h.dialog.seen[0].counterType, 3);
    EXPECT_EQ(h.dialog.seen[0].port, "700");
    EXPECT_EQ(h.sites.size(), 1u);
}

TEST_F(SiteTreeLogic, MinusRemovesCheckedSitesAndTheLastClickedEmptySite) {
    for (const char* name : {"A", "B", "C", "D", "E"}) {
        h.sites.push_back(
            ShownSite(name, name[0] == 'D' ? std::vector<int>{} : std::vector<int>{1}));
    }
    h.logic.FillPeopleSiteTree();
    Click(Site(0));
    Click(Site(2));
    h.logic.OnTreeContextMenu(Site(3), 1, 1);  // D: a site without cameras, last clicked
    // One question names all three in list order and counts them; Cancel keeps every site.
    EXPECT_EQ(h.logic.RemoveCheckedSites(), 0);
    ASSERT_EQ(h.prompt.texts.size(), 1u);
    EXPECT_EQ(h.prompt.texts[0], "Delete 3 sites?\n\nA\nC\nD");
    EXPECT_EQ(h.sites.size(), 5u);
    EXPECT_EQ(h.tree.RootTexts(), (std::vector<std::string>{"A", "B", "C", "D", "E"}));
    // The tree was left alone, so the same three are still chosen; OK removes them. Every
    // removal rebuilds the tree, so the sites must be found before the first one goes.
    h.prompt.textAnswers = {kAnswerOk};
    EXPECT_EQ(h.logic.RemoveCheckedSites(), 3);
    std::vector<std::string> left;
    for (const SiteRecord& s : h.sites) left.push_back(s.name);
    EXPECT_EQ(left, (std::vector<std::string>{"B", "E"}));
    EXPECT_EQ(h.tree.RootTexts(), left);

    // The last clicked item counts only while it is a site without cameras.
    // Nothing chosen: no question at all.
    h.logic.OnTreeContextMenu(Site(0), 1, 1);
    EXPECT_EQ(h.logic.RemoveCheckedSites(), 0);
    EXPECT_EQ(h.sites.size(), 2u);
    EXPECT_EQ(h.prompt.texts.size(), 2u);
}

TEST_F(SiteTreeLogic, DeleteOfAnUnknownItemChangesNothing) {
    h.sites.push_back(ShownSite("A", {1}));
    SiteRecord hidden;
    h.sites.push_back(hidden);
    h.logic.FillPeopleSiteTree();
    h.logic.DeleteSite(nullptr);  // must not match the hidden site, whose item is 0
    h.logic.DeleteSite(Camera(0, 0));
    EXPECT_EQ(h.sites.size(), 2u);
    EXPECT_TRUE(h.prompt.texts.empty());
}

TEST_F(SiteTreeLogic, CloseAllSitesReleasesEveryHandle) {
    h.sites.push_back(ShownSite("A", {1}));
    h.sites[0].client2D = CreateRecNetClient();
    h.sites[0].clientOther = CreateRecNetClient();
    h.logic.CloseAllSites();
    EXPECT_EQ(h.sites[0].localDb, nullptr);
    EXPECT_EQ(h.sites[0].client2D, nullptr);
    EXPECT_EQ(h.sites[0].clientOther, nullptr);
}

}  // namespace

}  // namespace zl
