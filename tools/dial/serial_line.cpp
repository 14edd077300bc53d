#include "tools/dial/serial_line.h"

#include <fcntl.h>
#include <sys/file.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace zelkor::tools {

int OpenModemLine(const std::string& device, std::string* error) {
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *error = "cannot open the modem " + device + ": " + std::strerror(errno);
        return -1;
    }
    const auto fail = [&](const std::string& why) {
        *error = "the modem " + device + " " + why;
        ::close(fd);
        return -1;
    };
    if (!::isatty(fd)) {
        return fail("is not a serial line");
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        return fail("is in use by another program");
    }
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) {
        return fail(std::string("cannot be set up: ") + std::strerror(errno));
    }
    ::cfmakeraw(&tio);
    tio.c_cflag &= ~(PARENB | CSTOPB | CSIZE | CRTSCTS);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    if (::cfsetispeed(&tio, B115200) != 0 || ::cfsetospeed(&tio, B115200) != 0 ||
        ::tcsetattr(fd, TCSANOW, &tio) != 0) {
        return fail(std::string("cannot be set up: ") + std::strerror(errno));
    }
    // What the modem said before this call is not an answer to it.
    ::tcflush(fd, TCIOFLUSH);
    return fd;
}

}  // namespace zelkor::tools
