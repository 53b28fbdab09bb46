#include "cli/password_prompt.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>

namespace quorvane::cli {

std::optional<std::string> askPassword(const std::string& prompt)
{
    const int tty = ::open("/dev/tty", O_RDWR | O_CLOEXEC | O_NOCTTY);
    if (tty < 0)
        return std::nullopt;
    termios saved{};
    const bool canHide = ::tcgetattr(tty, &saved) == 0;
    if (canHide) {
        termios hidden = saved;
        hidden.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        hidden.c_lflag |= ECHONL;
        ::tcsetattr(tty, TCSAFLUSH, &hidden);
    }
    (void)!::write(tty, prompt.data(), prompt.size());
    std::string password;
    char c = 0;
    // Bounded like the settings field it stands for.
    while (::read(tty, &c, 1) == 1 && c != '\n' && password.size() < 255)
        password += c;
    if (canHide)
        ::tcsetattr(tty, TCSAFLUSH, &saved);
    ::close(tty);
    return password;
}

}  // namespace quorvane::cli
