#include "zel/link/PseudoTerminal.h"

#include <cstdlib>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include "zel/link/SerialTransport.h"

namespace zel::link {

PseudoTerminal::PseudoTerminal(int masterFd, std::string slavePath, int keepSlaveFd, std::uint32_t bitRate)
    : FdTransport(masterFd, bitRate), mSlavePath(std::move(slavePath)), mKeepSlaveFd(keepSlaveFd)
{
}

PseudoTerminal::~PseudoTerminal()
{
    if (mKeepSlaveFd >= 0) {
        ::close(mKeepSlaveFd);
    }
}

std::unique_ptr<PseudoTerminal> PseudoTerminal::Create(std::uint32_t bitRate)
{
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0) {
        return nullptr;
    }
    char name[128];
    if (::grantpt(master) != 0 || ::unlockpt(master) != 0 || ::ptsname_r(master, name, sizeof name) != 0) {
        ::close(master);
        return nullptr;
    }
    // Keep one slave descriptor open: it fixes raw mode for whoever opens the slave later and keeps
    // the master from seeing a hang-up when a client closes and reopens the line.
    const int slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave < 0) {
        ::close(master);
        return nullptr;
    }
    const std::uint32_t rate = bitRate == 0 ? 9600 : bitRate;
    termios tio{};
    if (!SerialTransport::ConfigureRaw(slave, SerialTransport::IsSupportedBitRate(rate) ? rate : 9600) ||
        ::tcgetattr(master, &tio) != 0) {
        ::close(slave);
        ::close(master);
        return nullptr;
    }
    ::cfmakeraw(&tio);
    ::tcsetattr(master, TCSANOW, &tio);
    return std::unique_ptr<PseudoTerminal>(new PseudoTerminal(master, name, slave, bitRate));
}

void PseudoTerminal::DiscardInput()
{
    if (Fd() >= 0) {
        ::tcflush(Fd(), TCIFLUSH);
    }
    FdTransport::DiscardInput();
}

} // namespace zel::link
