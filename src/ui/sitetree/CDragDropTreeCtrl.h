// The tree of sites and cameras: a tree widget with check boxes, a multi-selection of leaf items
// with Ctrl and Shift, label editing, and three notifications to its owner, always delivered
// queued (after the click has been applied, so a toggled check box already shows its new state):
//   treeRightClicked(item, point)   right button down without Ctrl and Shift
//   treeLabelEditEnded(item, point) a label edit ended (point is (0, 0))
//   treeLeftClicked(item, point)    left button down without Ctrl and Shift, and the space key
//                                   toggling the current item's check box
// `item` is the item under the point or nullptr; points are in viewport (client) coordinates.
// An item deleted before the notification arrives is reported as nullptr.
// In edit mode (off unless EnterEditMode is called) selected items can be dragged out as
// "WidgetObject" data; data dragged in from elsewhere is refused. The control knows nothing of
// sites: its owner interprets the items.
#pragma once

#include <QPoint>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTreeWidget>
#include <array>
#include <vector>

namespace zl {

class CSiteTreeData;

// Told about drags the control starts (not owned by the control).
class CDragEventListener {
  public:
    virtual ~CDragEventListener() = default;
    virtual void OnDragMove(int x, int y) = 0;
    virtual void OnDrop(int x, int y, QTreeWidgetItem* item) = 0;
    virtual void OnDragStart() = 0;
};

// MIME type of the data dragged out in edit mode, and its layout: 332 bytes, zero-filled, an int
// 0 in the first four bytes and the clicked item's label (UTF-8, cut to fit) from byte 178.
inline constexpr const char* kWidgetObjectMime = "WidgetObject";
constexpr int kWidgetObjectSize = 332;
constexpr int kWidgetObjectTextOffset = 178;
QByteArray BuildWidgetObjectPayload(const QString& text);

class CDragDropTreeCtrl : public QTreeWidget {
    Q_OBJECT

  public:
    // Data roles that hold an item's image numbers.
    static constexpr int kImageRole = Qt::UserRole + 1;
    static constexpr int kSelectedImageRole = Qt::UserRole + 2;

    explicit CDragDropTreeCtrl(QWidget* parent = nullptr);
    ~CDragDropTreeCtrl() override;

    // The owner receives the notifications; none are emitted while it is unset or destroyed.
    void SetTreeParent(QObject* owner);
    QObject* TreeParent() const { return owner_; }
    void AddDragEventListener(CDragEventListener* listener);

    // The multi-selection of leaves, in selection order.
    std::vector<QTreeWidgetItem*> GetSelectedItems() const { return selection_; }
    void GetMultiSelItem(std::vector<QTreeWidgetItem*>& items) const;
    // The label of the item under the last plain left click; the second form also answers that
    // item (the anchor).
    QString GetSigleSelItem() const { return clickedText_; }
    QString GetSigleSelItem(QTreeWidgetItem*& anchor) const;
    // Text of the group above the last plainly clicked item (see SetItem_TitleText).
    QString GroupText() const { return groupText_; }

    // Use items: a set of names. State 1 removes the name, any other state adds it.
    void SetUseItem(const QString& name, int state);
    int IsUseItem(const QString& name) const;
    void GetUseItem(QStringList& names) const;
    void SetItem_TitleText(const QString& t0, const QString& t1, const QString& t2,
                           const QString& t3);

    void EnterEditMode() { editMode_ = 1; }
    void LeaveEditMode() { editMode_ = 0; }
    int IsEditMode() const { return editMode_; }
    bool IsDragging() const { return dragging_ != 0; }

    // Images: the list the image numbers of the items refer to (see SiteTreeImages.h).
    void SetImageList(const std::vector<QPixmap>& images);
    int ImageCount() const { return static_cast<int>(images_.size()); }
    QPixmap Image(int index) const;

    // Inserts a checkable, editable item as the last child of `parent` (nullptr: a root item).
    QTreeWidgetItem* InsertItem(const QString& text, int image, int selectedImage,
                                QTreeWidgetItem* parent);
    static int ItemImage(const QTreeWidgetItem* item);
    static int ItemSelectedImage(const QTreeWidgetItem* item);
    // Attaches data to an item made by InsertItem; the tree owns it from then on and frees it
    // with the item (or when other data replaces it). False (and the data freed) for an item
    // of another kind.
    static bool SetItemData(QTreeWidgetItem* item, CSiteTreeData* data);
    static CSiteTreeData* GetItemData(const QTreeWidgetItem* item);
    // True when `item` is an item of this tree now (compares addresses only).
    bool IsLiveItem(const QTreeWidgetItem* item) const;
    // Starts editing the item's label.
    void EditLabel(QTreeWidgetItem* item);
    // The item the drop highlight is on while a drag passes over the tree (or nullptr).
    QTreeWidgetItem* DropHighlightItem() const { return dropHighlight_; }

  signals:
    void treeRightClicked(QTreeWidgetItem* item, QPoint point);
    void treeLabelEditEnded(QTreeWidgetItem* item, QPoint point);
    void treeLeftClicked(QTreeWidgetItem* item, QPoint point);

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    using QTreeWidget::edit;
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

  private:
    enum class Note { kRight, kLabelEdit, kLeft };
    void Post(Note note, QTreeWidgetItem* item, QPoint point);
    void LeftButtonDown(QMouseEvent* event);
    void RightButtonDown(QMouseEvent* event);
    QString GroupTextOf(QTreeWidgetItem* item) const;
    void ClearSelection();
    void MarkSelected(QTreeWidgetItem* item, bool selected);
    bool IsSameLevel(QTreeWidgetItem* item) const;
    void CtrlStep(QTreeWidgetItem* leaf);
    void ShiftStep(QTreeWidgetItem* leaf);
    bool OnExpandButton(QTreeWidgetItem* item, QPoint point) const;
    bool OnCheckBox(QTreeWidgetItem* item, QPoint point) const;
    void StartDrag(QPoint point);
    QPixmap BuildDragImage() const;
    void SetDropHighlight(QTreeWidgetItem* item);
    void ApplyIcon(QTreeWidgetItem* item) const;

    std::vector<CDragEventListener*> listeners_;
    int dragging_ = 0;
    std::vector<QTreeWidgetItem*> selection_;
    QTreeWidgetItem* rangeItem_ = nullptr;
    QString groupText_;
    QString clickedText_;
    bool dragAllowed_ = false;  // set while a drag this control started is running
    QStringList useItems_;
    QTreeWidgetItem* anchor_ = nullptr;
    QPointer<QObject> owner_;
    std::array<QString, 4> titles_;
    int editMode_ = 0;

    std::vector<QPixmap> images_;
    QTreeWidgetItem* editingItem_ = nullptr;
    QTreeWidgetItem* dropHighlight_ = nullptr;
    QPoint pressPoint_;
    bool basePressed_ = false;  // the standard handling received the last press
};

}  // namespace zl
