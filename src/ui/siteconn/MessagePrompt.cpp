#include "ui/siteconn/MessagePrompt.h"

#include <QMessageBox>

#include "store/IString.h"
#include "store/StringIds.h"

namespace zl {

int MessagePrompt::ShowMessage(unsigned stringId, PromptButtons buttons) {
    return AskText(IString::Instance()->LoadStringA(stringId), buttons);
}

int MessagePrompt::AskText(const std::string& text, PromptButtons buttons) {
    const QString caption = QString::fromUtf8(IString::Instance()->LoadStringA(kStrAppCaption));
    QMessageBox box(QMessageBox::Information, caption, QString::fromStdString(text),
                    QMessageBox::Ok, parent_);
    box.setObjectName(QStringLiteral("promptMessage"));
    switch (buttons) {
        case PromptButtons::kYesNo:
            box.setIcon(QMessageBox::Question);
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.setDefaultButton(QMessageBox::Yes);
            return box.exec() == QMessageBox::Yes ? kAnswerYes : kAnswerNo;
        case PromptButtons::kOkCancel:
            // Pressing Enter or Escape keeps what the question is about.
            box.setIcon(QMessageBox::Question);
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            box.setDefaultButton(QMessageBox::Cancel);
            box.setEscapeButton(QMessageBox::Cancel);
            return box.exec() == QMessageBox::Ok ? kAnswerOk : kAnswerCancel;
        case PromptButtons::kOk:
            break;
    }
    box.exec();
    return kAnswerOk;
}

}  // namespace zl
