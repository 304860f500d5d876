// A modal message to the user: a language string id as the text (caption: string 0) and a set
// of buttons; returns the button pressed.
#pragma once

enum class PromptButtons { kOk, kYesNo };

// The answers, numbered as the platform's message-box results.
enum PromptAnswer { kAnswerOk = 1, kAnswerCancel = 2, kAnswerYes = 6, kAnswerNo = 7 };

class IUserPrompt {
  public:
    virtual ~IUserPrompt() = default;
    virtual int ShowMessage(unsigned stringId, PromptButtons buttons) = 0;
};
