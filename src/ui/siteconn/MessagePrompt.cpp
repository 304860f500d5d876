#include "ui/siteconn/MessagePrompt.h"

#include <QMessageBox>

#include "store/IString.h"
#include "store/StringIds.h"

int MessagePrompt::ShowMessage(unsigned stringId, PromptButtons buttons) {
    IString* strings = IString::Instance();
    const QString caption = QString::fromUtf8(strings->LoadStringA(kStrAppCaption));
    const QString text = QString::fromUtf8(strings->LoadStringA(stringId));
    if (buttons == PromptButtons::kYesNo) {
        const auto answer =
            QMessageBox::question(parent_, caption, text, QMessageBox::Yes | QMessageBox::No);
        return answer == QMessageBox::Yes ? kAnswerYes : kAnswerNo;
    }
    QMessageBox::information(parent_, caption, text, QMessageBox::Ok);
    return kAnswerOk;
}
