#pragma once
// A pseudo-terminal for tests: the master stands for the device's end of
// the line, the slave path for the serial port the program opens.

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <string>

#include "platform/UniqueFd.h"

class PtyPair {
public:
    PtyPair() : m_master(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC))
    {
        char name[128] = {};
        if (!m_master.Valid() || ::grantpt(m_master.Get()) != 0 || ::unlockpt(m_master.Get()) != 0
            || ::ptsname_r(m_master.Get(), name, sizeof name) != 0)
            return;
        m_slavePath = name;
        // Holding the slave keeps the master from seeing a hang-up while the
        // program under test has the port closed; raw so nothing is echoed.
        m_heldSlave.Reset(::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC));
        termios settings {};
        if (::tcgetattr(m_heldSlave.Get(), &settings) == 0) {
            ::cfmakeraw(&settings);
            ::tcsetattr(m_heldSlave.Get(), TCSANOW, &settings);
        }
    }

    const std::string& SlavePath() const { return m_slavePath; }
    int Master() const { return m_master.Get(); }

    void Send(const std::string& text) { (void)!::write(m_master.Get(), text.data(), text.size()); }

    // What has arrived at the master within waitMs.
    std::string Received(int waitMs = 1000)
    {
        std::string text;
        pollfd watched {m_master.Get(), POLLIN, 0};
        char buffer[256];
        while (::poll(&watched, 1, text.empty() ? waitMs : 50) > 0 && (watched.revents & POLLIN)) {
            const ssize_t n = ::read(m_master.Get(), buffer, sizeof buffer);
            if (n <= 0)
                break;
            text.append(buffer, static_cast<size_t>(n));
        }
        return text;
    }

    // The device's end vanishes, as when an adapter is pulled.
    void HangUp()
    {
        m_heldSlave.Reset();
        m_master.Reset();
    }

private:
    UniqueFd m_master;
    UniqueFd m_heldSlave;
    std::string m_slavePath;
};
