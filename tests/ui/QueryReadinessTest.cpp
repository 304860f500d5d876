// What Query reports missing, in the order the user meets the controls.
#include <gtest/gtest.h>

#include "store/GuideStringIds.h"
#include "ui/reportwin/QueryReadiness.h"

namespace zl {

namespace {

SiteRecord Site(int checked, std::vector<std::pair<int, int>> cameras) {
    SiteRecord s;
    s.checked = checked;
    for (size_t i = 0; i < cameras.size(); ++i) {
        s.cameras[i].used = cameras[i].first;
        s.cameras[i].checked = cameras[i].second;
    }
    return s;
}

TEST(QueryReadiness, AsksForTypeThenSiteThenCamera) {
    const std::vector<SiteRecord> ready{Site(1, {{1, 1}})};
    EXPECT_EQ(MissingForQuery(false, ready), kStrMissingCounterType);
    EXPECT_EQ(MissingForQuery(true, {}), kStrMissingSite);
    // A camera checked under an unchecked site does not count; nor does a stale check mark on
    // an unused slot.
    EXPECT_EQ(MissingForQuery(true, {Site(0, {{1, 1}})}), kStrMissingSite);
    EXPECT_EQ(MissingForQuery(true, {Site(1, {{1, 0}, {0, 1}})}), kStrMissingCamera);
    EXPECT_EQ(MissingForQuery(true, ready), 0u);
    // One ready site among unready ones is enough.
    EXPECT_EQ(MissingForQuery(true, {Site(1, {{1, 0}}), Site(0, {}), Site(1, {{1, 0}, {1, 1}})}),
              0u);
}

TEST(QueryReadiness, ACheckedSiteWithoutCameraListNeedsNoCamera) {
    EXPECT_EQ(MissingForQuery(true, {Site(1, {})}), 0u);
}

}  // namespace

}  // namespace zl
