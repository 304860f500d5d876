// A modal message to the user: a language string id as the text (caption: string 0) and a set
// of buttons; returns the button pressed. AskText shows a text the caller composed (a language
// text with names or numbers filled in).
#pragma once

#include <string>

namespace zl {

// kOkCancel is a question whose safe answer is Cancel: Cancel is the default button.
enum class PromptButtons { kOk, kYesNo, kOkCancel };

// The answers, numbered as the platform's message-box results.
enum PromptAnswer { kAnswerOk = 1, kAnswerCancel = 2, kAnswerYes = 6, kAnswerNo = 7 };

class IUserPrompt {
  public:
    virtual ~IUserPrompt() = default;
    virtual int ShowMessage(unsigned stringId, PromptButtons buttons) = 0;
    virtual int AskText(const std::string& text, PromptButtons buttons) = 0;
};

}  // namespace zl
