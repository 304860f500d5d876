// IUserPrompt as a modal message box (object name "promptMessage"): text from the language
// strings by id or composed by the caller, caption string 0.
#pragma once

#include "sites/IUserPrompt.h"

class QWidget;

namespace zl {

class MessagePrompt : public IUserPrompt {
  public:
    explicit MessagePrompt(QWidget* parent = nullptr) : parent_(parent) {}
    int ShowMessage(unsigned stringId, PromptButtons buttons) override;
    int AskText(const std::string& text, PromptButtons buttons) override;

  private:
    QWidget* parent_;
};

}  // namespace zl
