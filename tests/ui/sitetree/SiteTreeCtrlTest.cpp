// The site tree control under real mouse events (offscreen): the selection rules of leaves with
// Ctrl and Shift, the queued notifications to the owner, check boxes, label editing, item data,
// the drag out in edit mode and the refusal of foreign drops.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QMimeData>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyledItemDelegate>
#include <QTest>
#include <QTimer>

#include "UiTestMain.h"
#include "sites/SiteLogic.h"
#include "ui/sitetree/CDragDropTreeCtrl.h"
#include "ui/sitetree/CSiteTreeData.h"
#include "ui/sitetree/SiteTreeAdapter.h"
#include "ui/sitetree/SiteTreeImages.h"

namespace zl {

namespace {

// Builds the style option the item delegate paints with (to find the check box).
struct OptionDelegate : QStyledItemDelegate {
    using QStyledItemDelegate::initStyleOption;
};

class SiteTreeCtrl : public ::testing::Test {
  protected:
    void SetUp() override {
        tree = std::make_unique<CDragDropTreeCtrl>();
        ApplyReportTreeLook(tree.get());
        tree->resize(420, 520);
        siteA = tree->InsertItem("Site A", kImageSite, kImageSiteSelected, nullptr);
        for (const char* c : {"A1", "A2", "A3"})
            camsA.push_back(tree->InsertItem(c, kImageCamera, kImageCameraSelected, siteA));
        siteB = tree->InsertItem("Site B", kImageSite, kImageSiteSelected, nullptr);
        for (const char* c : {"B1", "B2"})
            camsB.push_back(tree->InsertItem(c, kImageCamera3D, kImageCamera3DSelected, siteB));
        tree->expandAll();
        tree->SetTreeParent(&owner);
        tree->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(tree.get()));
    }

    QPoint Label(QTreeWidgetItem* item) const {
        const QRect r = tree->visualItemRect(item);
        return QPoint(r.right() - 20, r.center().y());
    }
    QPoint CheckBox(QTreeWidgetItem* item) const {
        QStyleOptionViewItem opt;
        opt.initFrom(tree->viewport());
        opt.rect = tree->visualItemRect(item);
        opt.widget = tree.get();
        opt.font = tree->font();
        opt.decorationSize = tree->iconSize();
        OptionDelegate().initStyleOption(&opt, tree->indexFromItem(item));
        return tree->style()
            ->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &opt, tree.get())
            .center();
    }
    void Click(QTreeWidgetItem* item, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, mods, Label(item));
    }
    std::vector<QTreeWidgetItem*> Selection() const { return tree->GetSelectedItems(); }
    std::vector<QTreeWidgetItem*> Selected() const {  // what the tree shows selected
        std::vector<QTreeWidgetItem*> out;
        for (QTreeWidgetItem* c : camsA)
            if (c->isSelected()) out.push_back(c);
        for (QTreeWidgetItem* c : camsB)
            if (c->isSelected()) out.push_back(c);
        return out;
    }

    QObject owner;
    std::unique_ptr<CDragDropTreeCtrl> tree;
    QTreeWidgetItem* siteA = nullptr;
    QTreeWidgetItem* siteB = nullptr;
    std::vector<QTreeWidgetItem*> camsA, camsB;
};

using Items = std::vector<QTreeWidgetItem*>;

// Lets queued work run, including work queued by queued work (the editor closes queued).
void Settle() {
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

TEST_F(SiteTreeCtrl, CtrlClicksBuildASelectionOfOneSitesCameras) {
    Click(camsA[0]);
    EXPECT_EQ(Selection(), (Items{camsA[0]}));
    Click(camsA[2], Qt::ControlModifier);
    Click(camsA[1], Qt::ControlModifier);
    EXPECT_EQ(Selection(), (Items{camsA[0], camsA[2], camsA[1]}));
    Click(camsB[0], Qt::ControlModifier);  // another site's camera: ignored
    EXPECT_EQ(Selection(), (Items{camsA[0], camsA[2], camsA[1]}));
    EXPECT_FALSE(camsB[0]->isSelected());
    Click(camsA[2], Qt::ControlModifier);  // a selected one goes, the order stays
    EXPECT_EQ(Selection(), (Items{camsA[0], camsA[1]}));
    EXPECT_EQ(Selected(), (Items{camsA[0], camsA[1]}));
}

TEST_F(SiteTreeCtrl, PlainClickLeavesOnlyTheClickedCamera) {
    Click(camsA[0]);
    Click(camsA[1], Qt::ControlModifier);
    Click(camsA[2], Qt::ControlModifier);
    ASSERT_EQ(Selection().size(), 3u);
    Click(camsA[1]);
    EXPECT_EQ(Selection(), (Items{camsA[1]}));
    EXPECT_EQ(Selected(), (Items{camsA[1]}));
    QTreeWidgetItem* anchor = nullptr;
    EXPECT_EQ(tree->GetSigleSelItem(anchor), "A2");
    EXPECT_EQ(anchor, camsA[1]);
}

TEST_F(SiteTreeCtrl, ShiftClickSelectsTheVisibleRangeFromTheUpperEnd) {
    Click(camsA[2]);
    Click(camsA[0], Qt::ShiftModifier);
    EXPECT_EQ(Selection(), (Items{camsA[0], camsA[1], camsA[2]}));
    Click(camsB[1], Qt::ShiftModifier);  // another level: ignored
    EXPECT_EQ(Selection().size(), 3u);
    Click(camsA[0]);
    Click(camsA[1], Qt::ShiftModifier);
    EXPECT_EQ(Selection(), (Items{camsA[0], camsA[1]}));
}

TEST_F(SiteTreeCtrl, SitesNeverEnterTheSelection) {
    Click(siteA);
    EXPECT_TRUE(Selection().empty());
    Click(camsA[0]);
    Click(siteB, Qt::ControlModifier);
    Click(siteB, Qt::ShiftModifier);
    EXPECT_EQ(Selection(), (Items{camsA[0]}));
}

TEST_F(SiteTreeCtrl, NotificationsArriveQueuedWithItemAndPoint) {
    QSignalSpy left(tree.get(), &CDragDropTreeCtrl::treeLeftClicked);
    QSignalSpy right(tree.get(), &CDragDropTreeCtrl::treeRightClicked);
    Click(camsA[1]);
    EXPECT_EQ(left.count(), 0);  // posted, not sent
    QCoreApplication::processEvents();
    ASSERT_EQ(left.count(), 1);
    EXPECT_EQ(left[0][0].value<QTreeWidgetItem*>(), camsA[1]);
    EXPECT_EQ(left[0][1].toPoint(), Label(camsA[1]));

    QTest::mouseClick(tree->viewport(), Qt::RightButton, Qt::NoModifier, Label(siteB));
    QTest::mouseClick(tree->viewport(), Qt::RightButton, Qt::ControlModifier, Label(siteA));
    const QPoint empty(200, tree->viewport()->height() - 5);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier, empty);
    Click(camsA[0], Qt::ControlModifier);  // Ctrl and Shift clicks post nothing
    Click(camsA[2], Qt::ShiftModifier);
    QCoreApplication::processEvents();
    ASSERT_EQ(right.count(), 1);
    EXPECT_EQ(right[0][0].value<QTreeWidgetItem*>(), siteB);
    ASSERT_EQ(left.count(), 2);
    EXPECT_EQ(left[1][0].value<QTreeWidgetItem*>(), nullptr);  // empty space: item 0
    EXPECT_EQ(left[1][1].toPoint(), empty);
}

TEST_F(SiteTreeCtrl, CheckBoxHasItsNewStateWhenTheOwnerHears) {
    std::vector<Qt::CheckState> seen;
    QObject::connect(tree.get(), &CDragDropTreeCtrl::treeLeftClicked, &owner,
                     [&](QTreeWidgetItem* item, QPoint) { seen.push_back(item->checkState(0)); });
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier, CheckBox(camsA[0]));
    QCoreApplication::processEvents();
    Click(camsA[0]);  // on the label: no change
    QCoreApplication::processEvents();
    // A double click through the window system: two presses, each one click.
    const QPoint inWindow = tree->viewport()->mapTo(tree.get(), CheckBox(siteB));
    QTest::mouseDClick(tree->windowHandle(), Qt::LeftButton, Qt::NoModifier, inWindow);
    QCoreApplication::processEvents();
    // Two clicks, two notifications; both arrive after the double click, so both see the
    // state after the second toggle.
    EXPECT_EQ(seen, (std::vector<Qt::CheckState>{Qt::Checked, Qt::Checked, Qt::Unchecked,
                                                 Qt::Unchecked}));
    EXPECT_EQ(siteB->checkState(0), Qt::Unchecked);
    EXPECT_TRUE(siteB->isExpanded());  // on the check box: no expanding or collapsing
    tree->setCurrentItem(camsA[2]);    // the space key toggles too, and is told as a click
    QTest::keyClick(tree.get(), Qt::Key_Space);
    QCoreApplication::processEvents();
    EXPECT_EQ(camsA[2]->checkState(0), Qt::Checked);
    EXPECT_EQ(seen.size(), 5u);
    const QPoint label = tree->viewport()->mapTo(tree.get(), Label(siteB));
    QTest::mouseDClick(tree->windowHandle(), Qt::LeftButton, Qt::NoModifier, label);
    EXPECT_FALSE(siteB->isExpanded());
}

TEST_F(SiteTreeCtrl, NothingIsPostedWithoutAnOwnerOrForADeletedItem) {
    QSignalSpy left(tree.get(), &CDragDropTreeCtrl::treeLeftClicked);
    Click(camsA[0]);
    delete camsA[0];  // gone before the notification is delivered
    camsA.erase(camsA.begin());
    QCoreApplication::processEvents();
    ASSERT_EQ(left.count(), 1);
    EXPECT_EQ(left[0][0].value<QTreeWidgetItem*>(), nullptr);
    EXPECT_TRUE(Selection().empty());

    auto* gone = new QObject;
    tree->SetTreeParent(gone);
    Click(camsA[0]);
    delete gone;
    tree->SetTreeParent(nullptr);
    Click(camsA[1]);
    QCoreApplication::processEvents();
    EXPECT_EQ(left.count(), 1);
}

TEST_F(SiteTreeCtrl, LabelEditEndsWithANotification) {
    QSignalSpy ended(tree.get(), &CDragDropTreeCtrl::treeLabelEditEnded);
    tree->EditLabel(camsA[1]);
    auto* editor = tree->viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->setText("Door");
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(ended.count(), 0);
    Settle();
    ASSERT_EQ(ended.count(), 1);
    EXPECT_EQ(ended[0][0].value<QTreeWidgetItem*>(), camsA[1]);
    EXPECT_EQ(camsA[1]->text(0), "Door");

    tree->EditLabel(siteA);  // cancelled: still told, label unchanged
    editor = tree->viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->setText("Other");
    QTest::keyClick(editor, Qt::Key_Escape);
    Settle();
    ASSERT_EQ(ended.count(), 2);
    EXPECT_EQ(ended[1][0].value<QTreeWidgetItem*>(), siteA);
    EXPECT_EQ(siteA->text(0), "Site A");
}

TEST_F(SiteTreeCtrl, ALongNameIsElidedInTheMiddleWithTheWholeNameAsToolTip) {
    const QString name = QStringLiteral("Local - demo-data2 - 2026/12/08 22:27:33");
    QTreeWidgetItem* site = tree->InsertItem(name, kImageSite, kImageSiteSelected, nullptr);
    EXPECT_EQ(site->toolTip(0), name);
    site->setText(0, name + QStringLiteral(" (renamed)"));  // as a label edit does
    EXPECT_EQ(site->toolTip(0), name + QStringLiteral(" (renamed)"));
    // The column is as wide as the tree: no sideways scrolling; the text is elided instead.
    tree->resize(260, 520);
    QTest::qWait(20);
    EXPECT_EQ(tree->textElideMode(), Qt::ElideMiddle);
    EXPECT_FALSE(tree->horizontalScrollBar()->isVisible());
    EXPECT_LE(tree->columnWidth(0), tree->viewport()->width());
    EXPECT_GT(tree->fontMetrics().horizontalAdvance(name), tree->viewport()->width());
}

TEST_F(SiteTreeCtrl, ItemDataIsFreedWithItsItem) {
    const int before = CSiteTreeData::LiveCount();
    EXPECT_TRUE(CDragDropTreeCtrl::SetItemData(camsA[0], new CSiteTreeData(7, "seven")));
    EXPECT_TRUE(CDragDropTreeCtrl::SetItemData(camsB[0], new CSiteTreeData));
    EXPECT_EQ(CDragDropTreeCtrl::GetItemData(camsA[0])->text, "seven");
    EXPECT_EQ(CSiteTreeData::LiveCount(), before + 2);
    delete siteA;  // the item and its children
    EXPECT_EQ(CSiteTreeData::LiveCount(), before + 1);
    tree->clear();
    EXPECT_EQ(CSiteTreeData::LiveCount(), before);
    QTreeWidgetItem plain;
    EXPECT_FALSE(CDragDropTreeCtrl::SetItemData(&plain, new CSiteTreeData));
    EXPECT_EQ(CSiteTreeData::LiveCount(), before);
}

TEST_F(SiteTreeCtrl, UseItemsAndGroupTitles) {
    tree->SetUseItem("door", 0);
    tree->SetUseItem("door", 2);
    tree->SetUseItem("exit", 0);
    EXPECT_EQ(tree->IsUseItem("door"), 1);
    EXPECT_EQ(tree->IsUseItem("Door"), 0);
    tree->SetUseItem("door", 1);
    QStringList names;
    tree->GetUseItem(names);
    EXPECT_EQ(names, QStringList{"exit"});

    EXPECT_TRUE(tree->GroupText().isEmpty());
    QTreeWidgetItem* group = tree->InsertItem("Cameras", 12, 12, siteB);
    QTreeWidgetItem* leaf = tree->InsertItem("Cam", 4, 5, group);
    tree->expandAll();
    tree->SetItem_TitleText("Cameras", "", "", "");
    Click(leaf);
    EXPECT_EQ(tree->GroupText(), "Site B");
    Click(camsA[0]);  // with titles that do not match: empty
    EXPECT_TRUE(tree->GroupText().isEmpty());
}

struct RecordingListener : CDragEventListener {
    void OnDragMove(int, int) override { ++moves; }
    void OnDrop(int, int, QTreeWidgetItem*) override { ++drops; }
    void OnDragStart() override { ++starts; }
    int moves = 0, drops = 0, starts = 0;
};

TEST_F(SiteTreeCtrl, DragsOnlyInEditModeAndRefusesForeignData) {
    RecordingListener listener;
    tree->AddDragEventListener(&listener);
    const QPoint from = Label(camsA[0]);
    QTest::mousePress(tree->viewport(), Qt::LeftButton, Qt::NoModifier, from);
    QMouseEvent move(QEvent::MouseMove, QPointF(from + QPoint(0, 40)), QPointF(), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(tree->viewport(), &move);
    QTest::mouseRelease(tree->viewport(), Qt::LeftButton, Qt::NoModifier, from + QPoint(0, 40));
    EXPECT_EQ(listener.starts, 0);
    EXPECT_FALSE(tree->IsDragging());

    tree->EnterEditMode();
    QTest::mousePress(tree->viewport(), Qt::LeftButton, Qt::NoModifier, from);
    // A platform whose drag runs a loop of its own ends it at the button release.
    QPointer<QWidget> viewport = tree->viewport();
    QTimer::singleShot(50, viewport, [viewport, from] {
        if (viewport) QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, from);
    });
    QApplication::sendEvent(tree->viewport(), &move);
    EXPECT_EQ(listener.starts, 1);
    EXPECT_EQ(listener.drops, 1);
    EXPECT_FALSE(tree->IsDragging());
    tree->LeaveEditMode();

    QMimeData mime;
    mime.setData(kWidgetObjectMime, BuildWidgetObjectPayload("A1"));
    QDragMoveEvent over(Label(camsA[1]), Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton,
                        Qt::NoModifier);
    QApplication::sendEvent(tree->viewport(), &over);
    EXPECT_FALSE(over.isAccepted());
    EXPECT_EQ(tree->DropHighlightItem(), nullptr);
}

TEST(SiteTreePayload, WidgetObjectLayout) {
    const QByteArray p = BuildWidgetObjectPayload("Camera01");
    ASSERT_EQ(p.size(), 332);
    EXPECT_EQ(p.left(4), QByteArray(4, '\0'));
    EXPECT_EQ(p.mid(178, 9), QByteArray("Camera01\0", 9));
    const QByteArray longText = BuildWidgetObjectPayload(QString(400, 'x'));
    EXPECT_EQ(longText.size(), 332);
    EXPECT_EQ(longText.at(331), '\0');
}

TEST(SiteTreeImagesTest, ThirteenPicturesInFourKinds) {
    const std::vector<QPixmap> images = BuildSiteTreeImages();
    ASSERT_EQ(images.size(), 13u);
    for (const QPixmap& pm : images) EXPECT_EQ(pm.size(), QSize(30, 24));
    const auto same = [&](int a, int b) { return images[a].toImage() == images[b].toImage(); };
    for (int kind : {0, 4, 8})
        for (int k = 1; k < 4; ++k) EXPECT_TRUE(same(kind, kind + k));
    EXPECT_FALSE(same(0, 4));
    EXPECT_FALSE(same(4, 8));
    EXPECT_FALSE(same(8, 12));
}

TEST_F(SiteTreeCtrl, AdapterServesTheSiteLogic) {
    SiteTreeAdapter adapter(tree.get());
    EXPECT_EQ(adapter.GetChildItem(nullptr), siteA);
    EXPECT_EQ(adapter.GetNextSiblingItem(siteA), siteB);
    EXPECT_EQ(adapter.GetNextSiblingItem(siteB), nullptr);
    EXPECT_EQ(adapter.GetChildItem(siteA), camsA[0]);
    EXPECT_EQ(adapter.GetNextSiblingItem(camsA[2]), nullptr);
    EXPECT_EQ(adapter.GetParentItem(camsB[1]), siteB);
    EXPECT_EQ(adapter.GetItemImage(camsB[0]), kImageCamera3D);
    EXPECT_EQ(adapter.GetItemSelectedImage(camsB[0]), kImageCamera3DSelected);
    adapter.SetCheck(camsA[1], true);
    EXPECT_TRUE(adapter.GetCheck(camsA[1]));
    EXPECT_EQ(camsA[1]->checkState(0), Qt::Checked);
    SiteTreeItem added =
        adapter.InsertItem("Neu \xC3\xBC", kImageSite, kImageSiteSelected, nullptr);
    EXPECT_EQ(adapter.GetItemText(added), "Neu \xC3\xBC");
    EXPECT_TRUE(adapter.Contains(added));
    adapter.DeleteItem(added);
    EXPECT_FALSE(adapter.Contains(added));
    adapter.DeleteAllItems();
    EXPECT_EQ(adapter.GetChildItem(nullptr), nullptr);
}

}  // namespace

}  // namespace zl
