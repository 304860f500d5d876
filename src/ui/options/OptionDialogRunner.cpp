#include "ui/options/OptionDialogRunner.h"

#include "ui/options/ZOptionDlg.h"

bool OptionDialogRunner::Run(QWidget* parent, int counterType) {
    ZOptionDlg dlg(counterType, parent, store_);
    return dlg.exec() == QDialog::Accepted;
}
