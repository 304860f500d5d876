// The report window's Settings button (ISettingsDialog) as the settings dialog: opened modally
// for the counter type, true when the user confirmed it (the store then holds the new settings
// and the window applies them).
#pragma once

#include "store/ChartSettingsStore.h"
#include "ui/options/ISettingsDialog.h"

namespace zl {

class OptionDialogRunner : public ISettingsDialog {
  public:
    // The store the dialog works on; default: the process-wide store.
    explicit OptionDialogRunner(CChartSettingsStore* store = nullptr) : store_(store) {}
    bool Run(QWidget* parent, int counterType) override;

  private:
    CChartSettingsStore* store_;
};

}  // namespace zl
