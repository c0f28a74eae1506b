#include "zel/link/SerialTransport.h"

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
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

std::string InUse(const std::string& device)
{
    return "the serial port " + device + " is in use by another channel or program";
}

} // namespace

std::string SerialTransport::DeviceForPort(int portIndex)
{
    const std::string variable = "ZEL_COM" + std::to_string(portIndex + 1);
    const char* named = std::getenv(variable.c_str());
    return (named != nullptr && *named != '\0') ? std::string(named) : "/dev/ttyS" + std::to_string(portIndex);
}

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

int SerialTransport::OpenLocked(const std::string& device, std::string& why)
{
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (error == EBUSY) {
            why = InUse(device); // its holder set TIOCEXCL
        } else if (error == ENOENT) {
            why = "there is no serial port " + device;
        } else if (error == EACCES || error == EPERM) {
            why = "no permission to open the serial port " + device;
        } else {
            why = "the serial port " + device + " cannot be opened: " + std::strerror(error);
        }
        return -1;
    }
    if (!::isatty(fd)) {
        why = device + " is not a serial port";
    } else if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        why = InUse(device);
    } else {
        return fd;
    }
    ::close(fd);
    return -1;
}

std::unique_ptr<SerialTransport> SerialTransport::Open(const std::string& device, std::uint32_t bitRate,
                                                       std::string* why)
{
    std::string reason;
    int fd = -1;
    if (!IsSupportedBitRate(bitRate)) {
        reason = std::to_string(bitRate) + " bit/s is not a serial bit rate";
    } else if ((fd = OpenLocked(device, reason)) >= 0) {
        // Locked before it is configured: a line in use is left exactly as its holder set it.
        if (ConfigureRaw(fd, bitRate)) {
            ::ioctl(fd, TIOCEXCL);
            ::tcflush(fd, TCIOFLUSH);
            return std::unique_ptr<SerialTransport>(new SerialTransport(fd, bitRate));
        }
        ::close(fd);
        reason = "the serial port " + device + " cannot be set to " + std::to_string(bitRate) + " bit/s";
    }
    if (why != nullptr) {
        *why = std::move(reason);
    }
    return nullptr;
}

std::string SerialTransport::WhyNotOpen(const std::string& device)
{
    std::string why;
    const int fd = OpenLocked(device, why);
    if (fd >= 0) {
        ::close(fd);
    }
    return why;
}

SerialTransport::~SerialTransport()
{
    Close();
}

void SerialTransport::Close() noexcept
{
    // A pseudo-terminal keeps its flags while its other side stays open: without this the line
    // could not be opened again.
    if (const int fd = Fd(); fd >= 0) {
        ::ioctl(fd, TIOCNXCL);
    }
    FdTransport::Close();
}

void SerialTransport::DiscardInput()
{
    if (Fd() >= 0) {
        ::tcflush(Fd(), TCIFLUSH);
    }
    FdTransport::DiscardInput();
}

} // namespace zel::link
