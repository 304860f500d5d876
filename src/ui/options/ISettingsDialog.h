// The settings dialog as the report window opens it from its Settings button: modal, on the
// page of the current counter type; true when the user confirmed it (the new settings are then
// in the chart settings store).
#pragma once

class QWidget;

namespace zl {

class ISettingsDialog {
  public:
    virtual ~ISettingsDialog() = default;
    virtual bool Run(QWidget* parent, int counterType) = 0;
};

}  // namespace zl
