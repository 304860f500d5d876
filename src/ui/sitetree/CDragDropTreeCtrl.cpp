#include "ui/sitetree/CDragDropTreeCtrl.h"

#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTreeWidgetItemIterator>
#include <algorithm>
#include <cstring>
#include <memory>

#include "ui/sitetree/CSiteTreeData.h"

namespace zl {

namespace {

constexpr int kSiteTreeItemType = QTreeWidgetItem::UserType + 1;
constexpr int kAutoScrollMargin = 10;

// The items InsertItem makes: they own their CSiteTreeData.
class CSiteTreeItem : public QTreeWidgetItem {
  public:
    CSiteTreeItem() : QTreeWidgetItem(kSiteTreeItemType) {}
    std::unique_ptr<CSiteTreeData> data;
};

// Toggles a check box when the button goes down on it (the tree's owner is told about the click
// after the toggle) and paints the drop highlight.
class TreeItemDelegate : public QStyledItemDelegate {
  public:
    explicit TreeItemDelegate(CDragDropTreeCtrl* tree) : QStyledItemDelegate(tree), tree_(tree) {}

    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override {
        const QEvent::Type type = event->type();
        if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease &&
            type != QEvent::MouseButtonDblClick) {
            return QStyledItemDelegate::editorEvent(event, model, option, index);
        }
        const Qt::ItemFlags flags = model->flags(index);
        const QVariant value = index.data(Qt::CheckStateRole);
        if (!(flags & Qt::ItemIsUserCheckable) || !(flags & Qt::ItemIsEnabled) ||
            !value.isValid()) {
            return false;
        }
        QStyleOptionViewItem viewOpt(option);
        initStyleOption(&viewOpt, index);
        const QWidget* widget = option.widget;
        const QStyle* style = widget ? widget->style() : QApplication::style();
        const QRect checkRect =
            style->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &viewOpt, widget);
        const auto* me = static_cast<QMouseEvent*>(event);
        if (me->button() != Qt::LeftButton || !checkRect.contains(me->position().toPoint())) {
            return false;
        }
        if (type == QEvent::MouseButtonRelease) return true;  // toggled on the press
        const auto state = static_cast<Qt::CheckState>(value.toInt());
        return model->setData(index, state == Qt::Checked ? Qt::Unchecked : Qt::Checked,
                              Qt::CheckStateRole);
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyledItemDelegate::paint(painter, option, index);
        QTreeWidgetItem* hi = tree_->DropHighlightItem();
        if (hi && tree_->indexFromItem(hi) == index) {
            painter->save();
            painter->setPen(QPen(option.palette.highlight().color(), 2));
            painter->drawRect(option.rect.adjusted(1, 1, -1, -1));
            painter->restore();
        }
    }

    void InitOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
        initStyleOption(option, index);
    }

  private:
    CDragDropTreeCtrl* tree_;
};

bool IsSelfOrUnder(const QTreeWidgetItem* item, const QTreeWidgetItem* top) {
    for (const QTreeWidgetItem* it = item; it; it = it->parent()) {
        if (it == top) return true;
    }
    return false;
}

}  // namespace

QByteArray BuildWidgetObjectPayload(const QString& text) {
    QByteArray payload(kWidgetObjectSize, '\0');
    const QByteArray utf8 =
        text.toUtf8().left(kWidgetObjectSize - kWidgetObjectTextOffset - 1);  // keep a zero
    std::memcpy(payload.data() + kWidgetObjectTextOffset, utf8.constData(), utf8.size());
    return payload;
}

CDragDropTreeCtrl::CDragDropTreeCtrl(QWidget* parent) : QTreeWidget(parent) {
    setColumnCount(1);
    setHeaderHidden(true);
    // The one column is as wide as the tree; a long site name is elided in the middle (where
    // generated names differ least: their start names the server, their end the time), and
    // its whole text is the item's tool tip. No sideways scrolling.
    header()->setStretchLastSection(true);
    header()->setSectionResizeMode(0, QHeaderView::Stretch);
    setTextElideMode(Qt::ElideMiddle);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    connect(this, &QTreeWidget::itemChanged, this, [](QTreeWidgetItem* item, int column) {
        if (column == 0 && item->toolTip(0) != item->text(0)) item->setToolTip(0, item->text(0));
    });
    setRootIsDecorated(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::EditKeyPressed);
    setDragEnabled(false);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDropIndicatorShown(false);
    setIconSize(QSize(30, 24));
    setItemDelegate(new TreeItemDelegate(this));

    // Forget every pointer to an item that is about to go away.
    connect(model(), &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex& parentIndex, int first, int last) {
                std::vector<QTreeWidgetItem*> gone;
                QTreeWidgetItem* parentItem = itemFromIndex(parentIndex);
                for (int row = first; row <= last; ++row) {
                    QTreeWidgetItem* it = parentItem ? parentItem->child(row) : topLevelItem(row);
                    if (it) gone.push_back(it);
                }
                auto isGone = [&gone](const QTreeWidgetItem* item) {
                    return item && std::any_of(gone.begin(), gone.end(),
                                               [item](auto* g) { return IsSelfOrUnder(item, g); });
                };
                selection_.erase(std::remove_if(selection_.begin(), selection_.end(), isGone),
                                 selection_.end());
                if (isGone(anchor_)) anchor_ = nullptr;
                if (isGone(rangeItem_)) rangeItem_ = nullptr;
                if (isGone(editingItem_)) editingItem_ = nullptr;
                if (isGone(dropHighlight_)) dropHighlight_ = nullptr;
            });
    connect(model(), &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        selection_.clear();
        anchor_ = rangeItem_ = editingItem_ = dropHighlight_ = nullptr;
    });
}

CDragDropTreeCtrl::~CDragDropTreeCtrl() {
    disconnect(model(), nullptr, this, nullptr);
    selection_.clear();
}

void CDragDropTreeCtrl::SetTreeParent(QObject* owner) {
    owner_ = owner;
}

void CDragDropTreeCtrl::AddDragEventListener(CDragEventListener* listener) {
    listeners_.push_back(listener);
}

void CDragDropTreeCtrl::GetMultiSelItem(std::vector<QTreeWidgetItem*>& items) const {
    items.clear();
    items.insert(items.end(), selection_.begin(), selection_.end());
}

QString CDragDropTreeCtrl::GetSigleSelItem(QTreeWidgetItem*& anchor) const {
    anchor = anchor_;
    return clickedText_;
}

void CDragDropTreeCtrl::SetUseItem(const QString& name, int state) {
    if (state == 1) {
        useItems_.removeAll(name);
    } else if (!useItems_.contains(name)) {
        useItems_.append(name);
    }
}

int CDragDropTreeCtrl::IsUseItem(const QString& name) const {
    return useItems_.contains(name) ? 1 : 0;
}

void CDragDropTreeCtrl::GetUseItem(QStringList& names) const {
    names = useItems_;
}

void CDragDropTreeCtrl::SetItem_TitleText(const QString& t0, const QString& t1, const QString& t2,
                                          const QString& t3) {
    titles_ = {t0, t1, t2, t3};
}

void CDragDropTreeCtrl::SetImageList(const std::vector<QPixmap>& images) {
    images_ = images;
    for (QTreeWidgetItemIterator it(this); *it; ++it) ApplyIcon(*it);
}

QPixmap CDragDropTreeCtrl::Image(int index) const {
    if (index < 0 || index >= ImageCount()) return {};
    return images_[static_cast<size_t>(index)];
}

void CDragDropTreeCtrl::ApplyIcon(QTreeWidgetItem* item) const {
    QIcon icon;
    const QPixmap normal = Image(ItemImage(item));
    const QPixmap selected = Image(ItemSelectedImage(item));
    if (!normal.isNull()) icon.addPixmap(normal, QIcon::Normal);
    if (!selected.isNull()) icon.addPixmap(selected, QIcon::Selected);
    item->setIcon(0, icon);
}

QTreeWidgetItem* CDragDropTreeCtrl::InsertItem(const QString& text, int image, int selectedImage,
                                               QTreeWidgetItem* parent) {
    auto* item = new CSiteTreeItem();
    item->setText(0, text);
    item->setToolTip(0, text);
    item->setData(0, kImageRole, image);
    item->setData(0, kSelectedImageRole, selectedImage);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable |
                   Qt::ItemIsUserCheckable);
    item->setCheckState(0, Qt::Unchecked);
    ApplyIcon(item);
    if (parent) {
        parent->addChild(item);
    } else {
        addTopLevelItem(item);
    }
    return item;
}

int CDragDropTreeCtrl::ItemImage(const QTreeWidgetItem* item) {
    const QVariant v = item ? item->data(0, kImageRole) : QVariant();
    return v.isValid() ? v.toInt() : -1;
}

int CDragDropTreeCtrl::ItemSelectedImage(const QTreeWidgetItem* item) {
    const QVariant v = item ? item->data(0, kSelectedImageRole) : QVariant();
    return v.isValid() ? v.toInt() : -1;
}

bool CDragDropTreeCtrl::SetItemData(QTreeWidgetItem* item, CSiteTreeData* data) {
    if (!item || item->type() != kSiteTreeItemType) {
        delete data;
        return false;
    }
    static_cast<CSiteTreeItem*>(item)->data.reset(data);
    return true;
}

CSiteTreeData* CDragDropTreeCtrl::GetItemData(const QTreeWidgetItem* item) {
    if (!item || item->type() != kSiteTreeItemType) return nullptr;
    return static_cast<const CSiteTreeItem*>(item)->data.get();
}

bool CDragDropTreeCtrl::IsLiveItem(const QTreeWidgetItem* item) const {
    if (!item) return false;
    for (QTreeWidgetItemIterator it(const_cast<CDragDropTreeCtrl*>(this)); *it; ++it) {
        if (*it == item) return true;
    }
    return false;
}

void CDragDropTreeCtrl::EditLabel(QTreeWidgetItem* item) {
    if (!item || !IsLiveItem(item)) return;
    scrollToItem(item);
    setCurrentItem(item);
    editItem(item, 0);
}

// --- Notifications ------------------------------------------------------------------------------

void CDragDropTreeCtrl::Post(Note note, QTreeWidgetItem* item, QPoint point) {
    if (!owner_) return;
    QMetaObject::invokeMethod(
        this,
        [this, note, item, point] {
            if (!owner_) return;
            QTreeWidgetItem* live = IsLiveItem(item) ? item : nullptr;
            switch (note) {
                case Note::kRight:
                    emit treeRightClicked(live, point);
                    break;
                case Note::kLabelEdit:
                    emit treeLabelEditEnded(live, point);
                    break;
                case Note::kLeft:
                    emit treeLeftClicked(live, point);
                    break;
            }
        },
        Qt::QueuedConnection);
}

// --- Selection ----------------------------------------------------------------------------------

void CDragDropTreeCtrl::MarkSelected(QTreeWidgetItem* item, bool selected) {
    if (item) item->setSelected(selected);
}

void CDragDropTreeCtrl::ClearSelection() {
    for (QTreeWidgetItem* item : selection_) MarkSelected(item, false);
    selection_.clear();
}

bool CDragDropTreeCtrl::IsSameLevel(QTreeWidgetItem* item) const {
    return std::all_of(selection_.begin(), selection_.end(),
                       [item](QTreeWidgetItem* s) { return s->parent() == item->parent(); });
}

void CDragDropTreeCtrl::CtrlStep(QTreeWidgetItem* leaf) {
    if (!selection_.empty() && !IsSameLevel(leaf)) return;
    const auto pos = std::find(selection_.begin(), selection_.end(), leaf);
    const bool wasSelected = pos != selection_.end() || leaf->isSelected();
    MarkSelected(leaf, !wasSelected);
    if (wasSelected) {
        if (pos != selection_.end()) selection_.erase(pos);
    } else {
        selection_.push_back(leaf);
    }
}

void CDragDropTreeCtrl::ShiftStep(QTreeWidgetItem* leaf) {
    if (!selection_.empty() && !IsSameLevel(leaf)) return;
    MarkSelected(leaf, true);
    QTreeWidgetItem* first = selection_.empty() ? leaf : selection_.front();
    const bool firstIsUpper = visualItemRect(first).top() <= visualItemRect(leaf).top();
    QTreeWidgetItem* start = firstIsUpper ? first : leaf;
    QTreeWidgetItem* end = firstIsUpper ? leaf : first;
    ClearSelection();
    for (QTreeWidgetItem* it = start; it; it = itemBelow(it)) {
        MarkSelected(it, true);
        selection_.push_back(it);
        if (it == end) break;
    }
}

QString CDragDropTreeCtrl::GroupTextOf(QTreeWidgetItem* item) const {
    if (!item || !item->parent()) return {};
    const QString parentText = item->parent()->text(0);
    QTreeWidgetItem* grand = item->parent()->parent();
    if (parentText == titles_[0]) return grand ? grand->text(0) : QString();
    if (parentText == titles_[1] || parentText == titles_[2]) {
        if (!grand) return {};
        if (grand->text(0) == titles_[3]) {
            return grand->parent() ? grand->parent()->text(0) : QString();
        }
        return grand->text(0);
    }
    return {};
}

bool CDragDropTreeCtrl::OnExpandButton(QTreeWidgetItem* item, QPoint point) const {
    const QRect rect = visualItemRect(item);
    return point.x() < rect.left() && point.x() >= rect.left() - indentation();
}

// --- Mouse --------------------------------------------------------------------------------------

void CDragDropTreeCtrl::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        LeftButtonDown(event);
    } else if (event->button() == Qt::RightButton) {
        RightButtonDown(event);
    }
}

void CDragDropTreeCtrl::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press of a double click arrives as this event alone: it is a click of its own
    // (a check box toggles again and the owner hears of it, so the owner's records never miss
    // a change). On the label of an item with children it also expands or collapses the item.
    if (event->button() != Qt::LeftButton) {
        mousePressEvent(event);
        return;
    }
    const QPoint point = event->position().toPoint();
    QTreeWidgetItem* item = itemAt(point);
    const bool toggleExpand =
        item && item->childCount() > 0 && !OnCheckBox(item, point) && !OnExpandButton(item, point);
    mousePressEvent(event);
    if (toggleExpand && IsLiveItem(item)) item->setExpanded(!item->isExpanded());
}

bool CDragDropTreeCtrl::OnCheckBox(QTreeWidgetItem* item, QPoint point) const {
    QStyleOptionViewItem opt;
    initViewItemOption(&opt);
    opt.rect = visualItemRect(item);
    const QModelIndex index = indexFromItem(item);
    if (auto* d = dynamic_cast<TreeItemDelegate*>(itemDelegateForIndex(index))) {
        d->InitOption(&opt, index);
    }
    return style()
        ->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &opt, this)
        .contains(point);
}

void CDragDropTreeCtrl::LeftButtonDown(QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    pressPoint_ = point;
    basePressed_ = false;

    if (!ctrl && !shift) {
        QTreeWidgetItem* item = itemAt(point);
        Post(Note::kLeft, item, point);
        clickedText_ = item ? item->text(0) : QString();
        groupText_ = GroupTextOf(item);
        ClearSelection();
        anchor_ = item;
        QTreeWidget::mousePressEvent(event);  // focus, current item, expanding, check box
        basePressed_ = true;
        ClearSelection();  // the click notification of the standard handling
    }

    setFocus(Qt::MouseFocusReason);
    QTreeWidgetItem* item = itemAt(point);
    if (item && OnExpandButton(item, point)) {
        if ((ctrl || shift) && item->childCount() > 0) {
            QTreeWidget::mousePressEvent(event);
            basePressed_ = true;
        }
        return;
    }
    if (!item || !item->parent() || item->childCount() > 0) return;  // leaves only

    if (ctrl) {
        CtrlStep(item);
        return;
    }
    anchor_ = item;
    if (selection_.empty()) {
        MarkSelected(item, true);
        selection_.push_back(item);
    } else if (shift) {
        ShiftStep(item);
    } else {
        rangeItem_ = item;
        if (selection_.size() == 1) {
            ClearSelection();
            MarkSelected(rangeItem_, true);
            selection_.push_back(rangeItem_);
        }
    }
}

void CDragDropTreeCtrl::RightButtonDown(QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    if (!(event->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier))) {
        Post(Note::kRight, itemAt(point), point);
    }
    setFocus(Qt::MouseFocusReason);
}

void CDragDropTreeCtrl::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const bool plain = !(event->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier));
    if (plain && selection_.size() > 1) {
        ClearSelection();
        if (rangeItem_) {
            MarkSelected(rangeItem_, true);
            selection_.push_back(rangeItem_);
        }
    }
    if (basePressed_) QTreeWidget::mouseReleaseEvent(event);
    basePressed_ = false;
}

void CDragDropTreeCtrl::mouseMoveEvent(QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    if (dragging_) {
        for (CDragEventListener* l : listeners_) l->OnDragMove(point.x(), point.y());
        return;
    }
    if (event->buttons() & Qt::LeftButton) {
        if ((point - pressPoint_).manhattanLength() >= QApplication::startDragDistance()) {
            StartDrag(point);
        }
        return;  // no rubber-band or drag selection of the standard handling
    }
    QTreeWidget::mouseMoveEvent(event);
}

void CDragDropTreeCtrl::keyPressEvent(QKeyEvent* event) {
    // The space key toggles the current item's check box; the owner hears of it as of a click
    // on the item, so its records follow the check boxes whichever way they change.
    QTreeWidgetItem* item = currentItem();
    const Qt::CheckState before = item ? item->checkState(0) : Qt::Unchecked;
    QTreeWidget::keyPressEvent(event);
    if (item && IsLiveItem(item) && item->checkState(0) != before) {
        Post(Note::kLeft, item, visualItemRect(item).center());
    }
}

// --- Dragging out (edit mode) -------------------------------------------------------------------

QPixmap CDragDropTreeCtrl::BuildDragImage() const {
    const QFontMetrics fm(font());
    constexpr int kIcon = 16;
    constexpr int kConnector = 6;
    int lineHeight = kIcon;
    int textWidth = 0;
    for (QTreeWidgetItem* item : selection_) {
        lineHeight = std::max(lineHeight, fm.height() + 2);
        textWidth = std::max(textWidth, fm.horizontalAdvance(item->text(0)));
    }
    const int width = kConnector + kIcon + 4 + textWidth + 4;
    const int height = lineHeight * static_cast<int>(selection_.size());
    if (width <= 0 || height <= 0) return {};
    QPixmap image(width, height);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setFont(font());
    for (size_t i = 0; i < selection_.size(); ++i) {
        QTreeWidgetItem* item = selection_[i];
        const int top = static_cast<int>(i) * lineHeight;
        const int mid = top + lineHeight / 2;
        p.setPen(Qt::black);
        p.drawLine(0, mid, kConnector - 1, mid);
        p.drawPixmap(kConnector, mid - kIcon / 2, item->icon(0).pixmap(kIcon, kIcon));
        const QRect textRect(kConnector + kIcon + 2, top, textWidth + 4, lineHeight - 1);
        p.drawRect(textRect);
        p.drawText(textRect.adjusted(2, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft, item->text(0));
    }
    return image;
}

void CDragDropTreeCtrl::StartDrag(QPoint point) {
    Q_UNUSED(point);
    if (selection_.empty() || editMode_ != 1) return;
    dragging_ = 1;
    const QPixmap image = BuildDragImage();
    for (CDragEventListener* l : listeners_) l->OnDragStart();

    auto* mime = new QMimeData;
    mime->setData(kWidgetObjectMime, BuildWidgetObjectPayload(clickedText_));
    auto* drag = new QDrag(this);
    drag->setMimeData(mime);
    if (!image.isNull()) {
        drag->setPixmap(image);
        drag->setHotSpot(QPoint(-5, -5));
    }
    dragAllowed_ = true;
    drag->exec(Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, Qt::CopyAction);
    dragAllowed_ = false;
    dragging_ = 0;
    SetDropHighlight(nullptr);
    basePressed_ = false;

    const QPoint at = viewport()->mapFromGlobal(QCursor::pos());
    QTreeWidgetItem* target = itemAt(at);
    for (CDragEventListener* l : listeners_) l->OnDrop(at.x(), at.y(), target);
}

void CDragDropTreeCtrl::SetDropHighlight(QTreeWidgetItem* item) {
    if (dropHighlight_ == item) return;
    dropHighlight_ = item;
    viewport()->update();
}

void CDragDropTreeCtrl::dragEnterEvent(QDragEnterEvent* event) {
    event->setDropAction((event->modifiers() & Qt::ShiftModifier) ? Qt::MoveAction
                                                                  : Qt::CopyAction);
    event->accept();
}

void CDragDropTreeCtrl::dragMoveEvent(QDragMoveEvent* event) {
    if (!dragAllowed_ || !event->mimeData()->hasFormat(kWidgetObjectMime)) {
        event->ignore();
        return;
    }
    const QPoint point = event->position().toPoint();
    event->setDropAction((event->modifiers() & Qt::ShiftModifier) ? Qt::MoveAction
                                                                  : Qt::CopyAction);
    event->accept();
    QTreeWidgetItem* item = itemAt(point);
    if (item) item->setExpanded(true);
    SetDropHighlight(item);

    const QRect client = viewport()->rect();
    if (point.y() < client.top() + kAutoScrollMargin) {
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    } else if (point.y() > client.bottom() - kAutoScrollMargin) {
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    }
    if (point.x() < client.left() + kAutoScrollMargin) {
        horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    } else if (point.x() > client.right() - kAutoScrollMargin) {
        horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    }
    for (CDragEventListener* l : listeners_) l->OnDragMove(point.x(), point.y());
}

void CDragDropTreeCtrl::dragLeaveEvent(QDragLeaveEvent* event) {
    SetDropHighlight(nullptr);
    event->accept();
}

void CDragDropTreeCtrl::dropEvent(QDropEvent* event) {
    SetDropHighlight(nullptr);
    if (!dragAllowed_) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
}

// --- Label editing ------------------------------------------------------------------------------

bool CDragDropTreeCtrl::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    const bool handled = QTreeWidget::edit(index, trigger, event);
    if (handled && state() == QAbstractItemView::EditingState) {
        editingItem_ = itemFromIndex(index);
    }
    return handled;
}

void CDragDropTreeCtrl::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    QTreeWidgetItem* item = editingItem_;
    editingItem_ = nullptr;
    QTreeWidget::closeEditor(editor, hint);
    if (item) Post(Note::kLabelEdit, item, QPoint());
}

}  // namespace zl
