// IUserPrompt as a modal message box: text from the language strings by id, caption string 0.
#pragma once

#include "sites/IUserPrompt.h"

class QWidget;

class MessagePrompt : public IUserPrompt {
  public:
    explicit MessagePrompt(QWidget* parent = nullptr) : parent_(parent) {}
    int ShowMessage(unsigned stringId, PromptButtons buttons) override;

  private:
    QWidget* parent_;
};
