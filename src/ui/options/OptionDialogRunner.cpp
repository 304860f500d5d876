#include "ui/options/OptionDialogRunner.h"

#include "ui/options/ZOptionDlg.h"

namespace zl {

bool OptionDialogRunner::Run(QWidget* parent, int counterType) {
    ZOptionDlg dlg(counterType, parent, store_);
    return dlg.exec() == QDialog::Accepted;
}

}  // namespace zl
