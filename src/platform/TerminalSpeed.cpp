#include "platform/TerminalSpeed.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

bool SetArbitrarySpeed(int fd, uint32_t baudRate)
{
    struct termios2 settings {};
    if (::ioctl(fd, TCGETS2, &settings) != 0)
        return false;
    settings.c_cflag &= ~static_cast<tcflag_t>(CBAUD | (CBAUD << IBSHIFT));
    settings.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    settings.c_ispeed = baudRate;
    settings.c_ospeed = baudRate;
    return ::ioctl(fd, TCSETS2, &settings) == 0;
}

namespace {

uint32_t RateOfSpeedCode(tcflag_t code)
{
    static constexpr struct {
        tcflag_t code;
        uint32_t rate;
    } kRates[] = {{B0, 0},         {B50, 50},       {B75, 75},         {B110, 110},       {B134, 134},
                  {B150, 150},     {B200, 200},     {B300, 300},       {B600, 600},       {B1200, 1200},
                  {B1800, 1800},   {B2400, 2400},   {B4800, 4800},     {B9600, 9600},     {B19200, 19200},
                  {B38400, 38400}, {B57600, 57600}, {B115200, 115200}, {B230400, 230400}, {B460800, 460800},
                  {B921600, 921600}};
    for (const auto& known : kRates)
        if (known.code == code) return known.rate;
    return 0;
}

}  // namespace

std::optional<TerminalFormat> ReadTerminalFormat(int fd)
{
    struct termios2 settings {};
    if (::ioctl(fd, TCGETS2, &settings) != 0)
        return std::nullopt;
    TerminalFormat terminal;
    LineFormat& format = terminal.format;
    const tcflag_t code = settings.c_cflag & CBAUD;
    format.baudRate = code == BOTHER ? settings.c_ospeed : RateOfSpeedCode(code);
    switch (settings.c_cflag & CSIZE) {
    case CS5: format.dataBits = 5; break;
    case CS6: format.dataBits = 6; break;
    case CS7: format.dataBits = 7; break;
    default: format.dataBits = 8; break;
    }
    // A pseudo-terminal clears PARENB (and forces CS8) whatever it is
    // given; the parity check on input still tells that parity was asked for.
    if ((settings.c_cflag & PARENB) != 0 || (settings.c_iflag & INPCK) != 0)
        format.parity = (settings.c_cflag & PARODD) != 0 ? LineParity::Odd : LineParity::Even;
    format.stopBits = (settings.c_cflag & CSTOPB) != 0 ? LineStopBits::Two : LineStopBits::One;
    terminal.dropsBadCharacters = (settings.c_iflag & IGNPAR) != 0;
    return terminal;
}
