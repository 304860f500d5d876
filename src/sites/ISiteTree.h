// What the site logic needs of a tree of items with text, image, check box and children. The
// item handle is opaque; the site logic keeps it in SiteRecord::treeItem and
// CameraSlot::treeItem and only compares it or hands it back.
#pragma once

#include <string>

namespace zl {

using SiteTreeItem = void*;

class ISiteTree {
  public:
    virtual ~ISiteTree() = default;

    virtual void DeleteAllItems() = 0;
    // Inserts a new item as the last child of `parent` (nullptr: a root item). Returns the new
    // item, or nullptr when it could not be inserted.
    virtual SiteTreeItem InsertItem(const std::string& text, int image, int selectedImage,
                                    SiteTreeItem parent) = 0;
    virtual void DeleteItem(SiteTreeItem item) = 0;
    // True when `item` is an item of this tree now (a stale handle answers false).
    virtual bool Contains(SiteTreeItem item) const = 0;

    virtual std::string GetItemText(SiteTreeItem item) const = 0;
    virtual void SetItemText(SiteTreeItem item, const std::string& text) = 0;
    // The image and selected image numbers the item was inserted with; -1 for none.
    virtual int GetItemImage(SiteTreeItem item) const = 0;
    virtual int GetItemSelectedImage(SiteTreeItem item) const = 0;
    virtual bool GetCheck(SiteTreeItem item) const = 0;
    virtual void SetCheck(SiteTreeItem item, bool checked) = 0;

    virtual SiteTreeItem GetParentItem(SiteTreeItem item) const = 0;
    // First child of `item`; with nullptr the first root item.
    virtual SiteTreeItem GetChildItem(SiteTreeItem item) const = 0;
    virtual SiteTreeItem GetNextSiblingItem(SiteTreeItem item) const = 0;
    bool ItemHasChildren(SiteTreeItem item) const { return GetChildItem(item) != nullptr; }

    virtual void Expand(SiteTreeItem item) = 0;
    // Starts editing the item's label; the tree reports the end of the edit to its owner.
    virtual void EditLabel(SiteTreeItem item) = 0;
};

}  // namespace zl
