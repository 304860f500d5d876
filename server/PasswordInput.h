// Reads a password for recnetd --add-user: from a terminal without echo (asked twice), else
// one line of standard input. Never from the command line.
#pragma once

#include <string>

namespace zl::recnetd {

// False with *error when no password could be read or the two entries differ.
bool ReadNewPassword(const std::string& user, std::string* password, std::string* error);

}  // namespace zl::recnetd
