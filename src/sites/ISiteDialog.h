// The site connection dialog as the site logic uses it: it is opened prefilled and answers the
// fields the user confirmed with OK, or nothing.
#pragma once

#include <string>

namespace zl {

struct SiteDialogFields {
    // 0 server, 1 device, 2 local folder or file (the dialog never answers 3).
    int connectionType = 0;
    std::string address;  // on OK: the text of the address edit
    std::string port = "700";
    std::string userName;
    std::string password;
    std::string localPath;  // on OK: the text of the local path edit
    int counterType = 1;    // 1..7, chooses the file filter of the database-file type
};

enum class SiteDialogPurpose {
    kNewSite,     // the first dialog of an add
    kLoginRetry,  // asked again after a refused log-in (the password is typed again)
};

class ISiteDialog {
  public:
    virtual ~ISiteDialog() = default;
    // Opens the dialog with `fields` as its initial values. OK: writes the answers into
    // `fields` and returns true. Cancel: returns false and leaves `fields` as they were.
    virtual bool Run(SiteDialogFields& fields, SiteDialogPurpose purpose) = 0;
};

}  // namespace zl
