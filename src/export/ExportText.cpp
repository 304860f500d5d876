#include "export/ExportText.h"

#include "store/IString.h"
#include "store/StringIds.h"

namespace zl {

namespace {

// The first "%s" of a language text becomes `value`; other characters stay as they are, so a
// text with a stray "%" cannot read arguments that are not there.
std::string Fill(const std::string& text, const std::string& value) {
    const size_t at = text.find("%s");
    if (at == std::string::npos) return text;
    return text.substr(0, at) + value + text.substr(at + 2);
}

}  // namespace

std::string FailureText(unsigned id, const std::string& file, const std::string& reason) {
    std::string text = Fill(IString::Instance()->LoadStringA(id), file);
    if (!reason.empty())
        text += "\n" + Fill(IString::Instance()->LoadStringA(kStrFailureReason), reason);
    return text;
}

}  // namespace zl
