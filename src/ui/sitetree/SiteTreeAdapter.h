// The site tree as the site logic sees it (ISiteTree) and its pop-up menu (ITreeMenu), on a
// CDragDropTreeCtrl. Item handles are the QTreeWidgetItem pointers.
#pragma once

#include "sites/ISiteTree.h"
#include "sites/ITreeMenu.h"

class QTreeWidgetItem;

namespace zl {

class CDragDropTreeCtrl;

class SiteTreeAdapter : public ISiteTree {
  public:
    explicit SiteTreeAdapter(CDragDropTreeCtrl* tree) : tree_(tree) {}

    void DeleteAllItems() override;
    SiteTreeItem InsertItem(const std::string& text, int image, int selectedImage,
                            SiteTreeItem parent) override;
    void DeleteItem(SiteTreeItem item) override;
    bool Contains(SiteTreeItem item) const override;
    std::string GetItemText(SiteTreeItem item) const override;
    void SetItemText(SiteTreeItem item, const std::string& text) override;
    int GetItemImage(SiteTreeItem item) const override;
    int GetItemSelectedImage(SiteTreeItem item) const override;
    bool GetCheck(SiteTreeItem item) const override;
    void SetCheck(SiteTreeItem item, bool checked) override;
    SiteTreeItem GetParentItem(SiteTreeItem item) const override;
    SiteTreeItem GetChildItem(SiteTreeItem item) const override;
    SiteTreeItem GetNextSiblingItem(SiteTreeItem item) const override;
    void Expand(SiteTreeItem item) override;
    void EditLabel(SiteTreeItem item) override;

    static QTreeWidgetItem* ToItem(SiteTreeItem item) {
        return static_cast<QTreeWidgetItem*>(item);
    }

  private:
    CDragDropTreeCtrl* tree_;
};

// A QMenu at the tree; entry texts from the language strings.
class SiteTreeMenu : public ITreeMenu {
  public:
    explicit SiteTreeMenu(CDragDropTreeCtrl* tree) : tree_(tree) {}
    int Track(const std::vector<TreeMenuEntry>& entries, int x, int y, bool atCursor) override;

  private:
    CDragDropTreeCtrl* tree_;
};

// The look the report window gives its tree: the 13 pictures, 30x24 icons, a 20-pixel Tahoma
// font, white text on grey (RGB 125, 125, 125).
void ApplyReportTreeLook(CDragDropTreeCtrl* tree);

}  // namespace zl
