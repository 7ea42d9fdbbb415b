#include "platform/TtyControl.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>

#include "platform/AtomicFile.h"
#include "platform/UniqueFd.h"

namespace {

class KernelTtyControl final : public TtyControl {
public:
    explicit KernelTtyControl(std::string sysDevChar) : m_sysDevChar(std::move(sysDevChar)) {}

    bool Drain(int fd) override
    {
        for (;;) {
            if (::tcdrain(fd) == 0)
                return true;
            if (errno != EINTR)
                return false;
        }
    }

    std::optional<uint32_t> OutputPending(int fd) override
    {
        int queued = 0;
        if (::ioctl(fd, TIOCOUTQ, &queued) != 0 || queued < 0)
            return std::nullopt;
        unsigned int lineStatus = 0;
        if (queued == 0 && ::ioctl(fd, TIOCSERGETLSR, &lineStatus) == 0 && (lineStatus & TIOCSER_TEMT) == 0)
            return 1;
        return static_cast<uint32_t>(queued);
    }

    bool GetSerial(int fd, serial_struct& settings) override { return ::ioctl(fd, TIOCGSERIAL, &settings) == 0; }
    bool SetSerial(int fd, const serial_struct& settings) override
    {
        return ::ioctl(fd, TIOCSSERIAL, &settings) == 0;
    }
    bool GetRs485(int fd, serial_rs485& settings) override { return ::ioctl(fd, TIOCGRS485, &settings) == 0; }
    bool SetRs485(int fd, const serial_rs485& settings) override
    {
        serial_rs485 copy = settings;  // the driver writes back what it took
        return ::ioctl(fd, TIOCSRS485, &copy) == 0;
    }

    std::optional<uint32_t> LatencyTimer(int fd) override
    {
        const auto text = ReadWholeFile(LatencyTimerPath(fd), 4096);
        if (!text)
            return std::nullopt;
        uint32_t value = 0;
        const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), value);
        if (error != std::errc() || end == text->data())
            return std::nullopt;
        return value;
    }

    bool SetLatencyTimer(int fd, uint32_t milliseconds) override
    {
        UniqueFd file(::open(LatencyTimerPath(fd).c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC));
        const std::string text = std::to_string(milliseconds) + "\n";
        return file.Valid() && ::write(file.Get(), text.data(), text.size()) == static_cast<ssize_t>(text.size());
    }

private:
    // The tty's entry found by its device number, so that the path the
    // port was opened by (a by-id link, an alias) does not matter.
    std::string LatencyTimerPath(int fd) const
    {
        struct stat status {};
        if (::fstat(fd, &status) != 0 || !S_ISCHR(status.st_mode))
            return {};
        return m_sysDevChar + '/' + std::to_string(major(status.st_rdev)) + ':'
               + std::to_string(minor(status.st_rdev)) + "/device/latency_timer";
    }

    std::string m_sysDevChar;
};

}  // namespace

std::unique_ptr<TtyControl> MakeKernelTtyControl(std::string sysDevChar)
{
    return std::make_unique<KernelTtyControl>(std::move(sysDevChar));
}
