#include "ui/sitetree/SiteTreeAdapter.h"

#include <QCursor>
#include <QMenu>
#include <QPalette>

#include "store/IString.h"
#include "ui/sitetree/CDragDropTreeCtrl.h"
#include "ui/sitetree/SiteTreeImages.h"

namespace zl {

namespace {
QString Qs(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<int>(s.size()));
}
}  // namespace

void SiteTreeAdapter::DeleteAllItems() {
    tree_->clear();
}

SiteTreeItem SiteTreeAdapter::InsertItem(const std::string& text, int image, int selectedImage,
                                         SiteTreeItem parent) {
    QTreeWidgetItem* p = ToItem(parent);
    if (p && !tree_->IsLiveItem(p)) return nullptr;
    return tree_->InsertItem(Qs(text), image, selectedImage, p);
}

void SiteTreeAdapter::DeleteItem(SiteTreeItem item) {
    if (Contains(item)) delete ToItem(item);
}

bool SiteTreeAdapter::Contains(SiteTreeItem item) const {
    return tree_->IsLiveItem(ToItem(item));
}

std::string SiteTreeAdapter::GetItemText(SiteTreeItem item) const {
    if (!item) return {};
    return ToItem(item)->text(0).toStdString();
}

void SiteTreeAdapter::SetItemText(SiteTreeItem item, const std::string& text) {
    if (item) ToItem(item)->setText(0, Qs(text));
}

int SiteTreeAdapter::GetItemImage(SiteTreeItem item) const {
    return CDragDropTreeCtrl::ItemImage(ToItem(item));
}

int SiteTreeAdapter::GetItemSelectedImage(SiteTreeItem item) const {
    return CDragDropTreeCtrl::ItemSelectedImage(ToItem(item));
}

bool SiteTreeAdapter::GetCheck(SiteTreeItem item) const {
    return item && ToItem(item)->checkState(0) == Qt::Checked;
}

void SiteTreeAdapter::SetCheck(SiteTreeItem item, bool checked) {
    if (item) ToItem(item)->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
}

SiteTreeItem SiteTreeAdapter::GetParentItem(SiteTreeItem item) const {
    return item ? ToItem(item)->parent() : nullptr;
}

SiteTreeItem SiteTreeAdapter::GetChildItem(SiteTreeItem item) const {
    if (!item) return tree_->topLevelItemCount() > 0 ? tree_->topLevelItem(0) : nullptr;
    QTreeWidgetItem* it = ToItem(item);
    return it->childCount() > 0 ? it->child(0) : nullptr;
}

SiteTreeItem SiteTreeAdapter::GetNextSiblingItem(SiteTreeItem item) const {
    if (!item) return nullptr;
    QTreeWidgetItem* it = ToItem(item);
    QTreeWidgetItem* parent = it->parent();
    if (parent) {
        const int i = parent->indexOfChild(it);
        return i + 1 < parent->childCount() ? parent->child(i + 1) : nullptr;
    }
    const int i = tree_->indexOfTopLevelItem(it);
    return i >= 0 && i + 1 < tree_->topLevelItemCount() ? tree_->topLevelItem(i + 1) : nullptr;
}

void SiteTreeAdapter::Expand(SiteTreeItem item) {
    if (item) ToItem(item)->setExpanded(true);
}

void SiteTreeAdapter::EditLabel(SiteTreeItem item) {
    tree_->EditLabel(ToItem(item));
}

int SiteTreeMenu::Track(const std::vector<TreeMenuEntry>& entries, int x, int y, bool atCursor) {
    QMenu menu(tree_);
    for (const TreeMenuEntry& e : entries) {
        if (e.command == 0) {
            menu.addSeparator();
        } else {
            QAction* a =
                menu.addAction(QString::fromUtf8(IString::Instance()->LoadStringA(e.stringId)));
            a->setData(e.command);
        }
    }
    const QPoint at = atCursor ? QCursor::pos() : tree_->viewport()->mapToGlobal(QPoint(x, y));
    QAction* chosen = menu.exec(at);
    return chosen ? chosen->data().toInt() : 0;
}

void ApplyReportTreeLook(CDragDropTreeCtrl* tree) {
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(20);
    font.setWeight(QFont::Normal);
    tree->setFont(font);
    tree->SetImageList(BuildSiteTreeImages());
    tree->setIconSize(QSize(kTreeImageWidth, kTreeImageHeight));
    QPalette pal = tree->palette();
    pal.setColor(QPalette::Base, QColor(125, 125, 125));
    pal.setColor(QPalette::Text, QColor(255, 255, 255));
    tree->setPalette(pal);
}

}  // namespace zl
