// The report window's keyboard: Enter runs Query, the usual keys print and export, and Tab
// walks the controls in reading order.
#include <QComboBox>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QTableWidget>

#include "ui/datepicker/IDatePicker.h"
#include "ui/reportwin/CReportDlg.h"
#include "ui/sitetree/CDragDropTreeCtrl.h"

namespace zl {

void CReportDlg::BuildShortcuts() {
    // Only while the button is enabled: without rows there is nothing to print or export.
    const auto add = [this](const QKeySequence& keys, QPushButton* button,
                            void (CReportDlg::*run)()) {
        auto* shortcut = new QShortcut(keys, this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, [this, button, run] {
            if (button->isEnabled()) (this->*run)();
        });
    };
    add(QKeySequence::Print, print_, &CReportDlg::Print);
    add(QKeySequence(Qt::CTRL | Qt::Key_E), export_, &CReportDlg::Export);
    add(QKeySequence::Save, export_, &CReportDlg::Export);
}

void CReportDlg::SetTabOrder() {
    // Reading order: the site tree at the top left, the query rows left to right, then the
    // buttons under the tree and the view switch under the result area.
    // The date picker takes the focus through its text field (setTabOrder ignores a widget
    // that takes no focus itself).
    QWidget* date = picker_ ? picker_->Widget() : nullptr;
    if (date && date->focusProxy()) date = date->focusProxy();
    std::vector<QWidget*> order{tree_, counterType_};
    if (date) order.push_back(date);
    for (QRadioButton* r : rangeButtons_) order.push_back(r);
    order.push_back(query_);
    for (QWidget* w : std::initializer_list<QWidget*>{
             direction_, height_, heightLow_, heightHigh_, heightUnit_, region_, period_,
             queueType_, table_, add_, remove_, settings_, print_, export_})
        order.push_back(w);
    for (QPushButton* b : viewButtons_) order.push_back(b);
    for (size_t i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
}

void CReportDlg::keyPressEvent(QKeyEvent* event) {
    // Controls that use Enter themselves (the tree's label editor, an open combo list, a
    // dialog) never pass it on; what reaches the window means "run the query".
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        event->modifiers() == Qt::NoModifier && query_->isEnabled()) {
        event->accept();
        RunQuery();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace zl
