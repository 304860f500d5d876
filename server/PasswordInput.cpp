#include "PasswordInput.h"

#include <sodium.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>

namespace zl::recnetd {

namespace {

// One line from fd 0 without its line end. False at the end of input with nothing read.
bool ReadLine(std::string* line) {
    line->clear();
    char c = 0;
    bool any = false;
    while (::read(0, &c, 1) == 1) {
        any = true;
        if (c == '\n') break;
        *line += c;
    }
    if (!line->empty() && line->back() == '\r') line->pop_back();
    return any;
}

bool ReadHidden(const char* prompt, std::string* line) {
    std::fprintf(stderr, "%s", prompt);
    std::fflush(stderr);
    termios old{};
    const bool tty = tcgetattr(0, &old) == 0;
    if (tty) {
        termios quiet = old;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        quiet.c_lflag |= ECHONL;
        tcsetattr(0, TCSAFLUSH, &quiet);
    }
    const bool ok = ReadLine(line);
    if (tty) tcsetattr(0, TCSAFLUSH, &old);
    return ok;
}

void Wipe(std::string* text) {
    if (!text->empty()) sodium_memzero(text->data(), text->size());
    text->clear();
}

}  // namespace

bool ReadNewPassword(const std::string& user, std::string* password, std::string* error) {
    if (!isatty(0)) {
        if (!ReadLine(password) || password->empty()) {
            *error = "no password on standard input";
            return false;
        }
        return true;
    }
    std::string repeat;
    const std::string prompt = "Password for " + user + ": ";
    if (!ReadHidden(prompt.c_str(), password) || password->empty() ||
        !ReadHidden("Repeat the password: ", &repeat)) {
        Wipe(password);
        *error = "no password entered";
        return false;
    }
    const bool same = *password == repeat;
    Wipe(&repeat);
    if (!same) {
        Wipe(password);
        *error = "the two passwords differ";
        return false;
    }
    return true;
}

}  // namespace zl::recnetd
