#include "zel/link/SerialTransport.h"

#include <array>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>
#include <utility>

namespace zel::link {
namespace {

constexpr std::array<std::pair<std::uint32_t, speed_t>, 30> kSpeeds{{
    {50, B50},           {75, B75},           {110, B110},         {134, B134},         {150, B150},
    {200, B200},         {300, B300},         {600, B600},         {1200, B1200},       {1800, B1800},
    {2400, B2400},       {4800, B4800},       {9600, B9600},       {19200, B19200},     {38400, B38400},
    {57600, B57600},     {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000},
    {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000}, {3500000, B3500000}, {4000000, B4000000},
}};

bool SpeedOf(std::uint32_t bitRate, speed_t& speed) noexcept
{
    for (const auto& [rate, code] : kSpeeds) {
        if (rate == bitRate) {
            speed = code;
            return true;
        }
    }
    return false;
}

} // namespace

bool SerialTransport::IsSupportedBitRate(std::uint32_t bitRate) noexcept
{
    speed_t speed{};
    return SpeedOf(bitRate, speed);
}

bool SerialTransport::ConfigureRaw(int fd, std::uint32_t bitRate) noexcept
{
    speed_t speed{};
    termios tio{};
    if (!SpeedOf(bitRate, speed) || ::tcgetattr(fd, &tio) != 0) {
        return false;
    }
    ::cfmakeraw(&tio);
    tio.c_cflag &= ~static_cast<tcflag_t>(PARENB | CSTOPB | CSIZE | CRTSCTS);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    if (::cfsetispeed(&tio, speed) != 0 || ::cfsetospeed(&tio, speed) != 0) {
        return false;
    }
    return ::tcsetattr(fd, TCSANOW, &tio) == 0;
}

SerialTransport::SerialTransport(int fd, std::uint32_t bitRate) : FdTransport(fd, bitRate) {}

std::unique_ptr<SerialTransport> SerialTransport::Open(const std::string& device, std::uint32_t bitRate)
{
    if (!IsSupportedBitRate(bitRate)) {
        return nullptr;
    }
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return nullptr;
    }
    if (!::isatty(fd) || !ConfigureRaw(fd, bitRate)) {
        ::close(fd);
        return nullptr;
    }
    ::tcflush(fd, TCIOFLUSH);
    return std::unique_ptr<SerialTransport>(new SerialTransport(fd, bitRate));
}

void SerialTransport::DiscardInput()
{
    if (Fd() >= 0) {
        ::tcflush(Fd(), TCIFLUSH);
    }
    FdTransport::DiscardInput();
}

} // namespace zel::link
