#include "clocksim/StateFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace zel::sim {
namespace {

constexpr const char* kMagic = "zelclockd-state 1";

std::string Hex(const std::uint8_t* data, std::size_t size)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    out.reserve(size * 2);
    for (std::size_t i = 0; i < size; ++i) {
        out += kDigits[data[i] >> 4];
        out += kDigits[data[i] & 0x0F];
    }
    return out;
}

template <std::size_t N> std::string Hex(const std::array<std::uint8_t, N>& a)
{
    return Hex(a.data(), N);
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool AllZero(const std::uint8_t* data, std::size_t size)
{
    for (std::size_t i = 0; i < size; ++i)
        if (data[i] != 0)
            return false;
    return true;
}

class Parser {
public:
    explicit Parser(const std::string& text) : mIn(text) {}

    bool NextLine()
    {
        while (std::getline(mIn, mLine)) {
            ++mLineNo;
            if (!mLine.empty() && mLine.back() == '\r')
                mLine.pop_back();
            if (!mLine.empty() && mLine[0] != '#') {
                mWords.clear();
                std::istringstream words(mLine);
                for (std::string w; words >> w;)
                    mWords.push_back(w);
                if (!mWords.empty())
                    return true;
            }
        }
        return false;
    }

    const std::string& Word(std::size_t i) const
    {
        if (i >= mWords.size())
            Fail("missing field");
        return mWords[i];
    }
    std::size_t Words() const { return mWords.size(); }
    const std::string& Line() const { return mLine; }

    std::int64_t Int(std::size_t i, std::int64_t lo, std::int64_t hi) const
    {
        const std::string& w = Word(i);
        std::size_t used = 0;
        long long v = 0;
        try {
            v = std::stoll(w, &used);
        } catch (const std::exception&) {
            Fail("not a number: " + w);
        }
        if (used != w.size() || v < lo || v > hi)
            Fail("number out of range: " + w);
        return v;
    }

    std::uint64_t UInt(std::size_t i) const
    {
        const std::string& w = Word(i);
        std::size_t used = 0;
        unsigned long long v = 0;
        try {
            v = std::stoull(w, &used);
        } catch (const std::exception&) {
            Fail("not a number: " + w);
        }
        if (used != w.size() || w[0] == '-')
            Fail("not a number: " + w);
        return v;
    }

    template <std::size_t N> std::array<std::uint8_t, N> Bytes(std::size_t i) const
    {
        const std::string& w = Word(i);
        if (w.size() != 2 * N)
            Fail("a record of the wrong size");
        std::array<std::uint8_t, N> out{};
        for (std::size_t k = 0; k < N; ++k) {
            const int hi = HexDigit(w[2 * k]), lo = HexDigit(w[2 * k + 1]);
            if (hi < 0 || lo < 0)
                Fail("not hexadecimal");
            out[k] = static_cast<std::uint8_t>(hi * 16 + lo);
        }
        return out;
    }

    [[noreturn]] void Fail(const std::string& what) const
    {
        throw std::runtime_error("state file line " + std::to_string(mLineNo) + ": " + what);
    }

private:
    std::istringstream mIn;
    std::string mLine;
    std::vector<std::string> mWords;
    int mLineNo = 0;
};

void WriteAll(int fd, const std::string& text, const std::string& path)
{
    const char* p = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw std::runtime_error("cannot write " + path + ": " + std::strerror(errno));
        p += n;
        left -= static_cast<std::size_t>(n);
    }
}

} // namespace

std::string StateFile::ToText(const std::vector<ClockSnapshot>& clocks)
{
    std::ostringstream out;
    out << kMagic << '\n';
    for (const ClockSnapshot& c : clocks) {
        out << "clock " << int(c.ReaderId) << ' ' << ModelName(c.Model) << '\n';
        out << "next-person " << c.NextPerson << '\n';
        out << "time " << c.TimeBaseSeconds << ' ' << c.TimeBaseHostMs << '\n';
        out << "setup " << Hex(c.Setup) << '\n';
        if (!AllZero(c.MenuProgram.data(), c.MenuProgram.size()))
            out << "menu " << Hex(c.MenuProgram) << '\n';
        out << "log " << c.LogEndSeq << ' ' << c.LogPosition << '\n';
        for (const DataLogRecord& e : c.Events)
            out << "event " << Hex(e) << '\n';
        for (const ClockUser& u : c.Users)
            out << "user " << Hex(u.ToRecord()) << '\n';
        out << "end\n";
    }
    return out.str();
}

std::vector<ClockSnapshot> StateFile::FromText(const std::string& text)
{
    Parser p(text);
    if (!p.NextLine() || p.Line() != kMagic)
        p.Fail("not a zelclockd state file");
    std::vector<ClockSnapshot> clocks;
    ClockSnapshot* current = nullptr;
    while (p.NextLine()) {
        const std::string& key = p.Word(0);
        if (key == "clock") {
            if (current)
                p.Fail("clock without end");
            ClockSnapshot c;
            c.ReaderId = static_cast<std::uint8_t>(p.Int(1, 0, 255));
            const std::string& model = p.Word(2);
            if (model == "base")
                c.Model = ClockModel::Base;
            else if (model == "vt9")
                c.Model = ClockModel::Vt9;
            else
                p.Fail("unknown model " + model);
            for (const ClockSnapshot& other : clocks)
                if (other.ReaderId == c.ReaderId)
                    p.Fail("reader ID twice");
            clocks.push_back(c);
            current = &clocks.back();
            continue;
        }
        if (!current)
            p.Fail("field outside a clock: " + key);
        if (key == "end") {
            current = nullptr;
        } else if (key == "next-person") {
            current->NextPerson = static_cast<std::uint32_t>(p.Int(1, 1, 0xFFFFFFFFLL));
        } else if (key == "time") {
            current->TimeBaseSeconds = p.Int(1, 0, 400'000'000'000LL);
            current->TimeBaseHostMs = p.Int(2, INT64_MIN / 2, INT64_MAX / 2);
        } else if (key == "setup") {
            current->Setup = p.Bytes<SetupRecordSize>(1);
        } else if (key == "menu") {
            current->MenuProgram = p.Bytes<FkeyDataSize>(1);
        } else if (key == "log") {
            current->LogEndSeq = p.UInt(1);
            current->LogPosition = p.UInt(2);
        } else if (key == "event") {
            current->Events.push_back(p.Bytes<DataLogRecordSize>(1));
        } else if (key == "user") {
            const auto record = p.Bytes<UserRecordSize>(1);
            const auto user = ClockUser::FromRecord(record);
            if (!user)
                p.Fail("user ID is not BCD");
            current->Users.push_back(*user);
        } else {
            p.Fail("unknown field " + key);
        }
    }
    if (current)
        p.Fail("last clock without end");
    return clocks;
}

void StateFile::Save(const std::string& path, const std::vector<ClockSnapshot>& clocks, bool sync)
{
    const std::string text = ToText(clocks);
    const std::string temp = path + ".tmp" + std::to_string(::getpid());
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        throw std::runtime_error("cannot write " + temp + ": " + std::strerror(errno));
    try {
        WriteAll(fd, text, temp);
        if (sync && ::fsync(fd) != 0)
            throw std::runtime_error("cannot flush " + temp + ": " + std::strerror(errno));
    } catch (...) {
        ::close(fd);
        ::unlink(temp.c_str());
        throw;
    }
    ::close(fd);
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        throw std::runtime_error("cannot replace " + path + ": " + std::strerror(error));
    }
}

std::vector<ClockSnapshot> StateFile::Load(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        if (errno == ENOENT)
            return {};
        throw std::runtime_error("cannot read " + path + ": " + std::strerror(errno));
    }
    std::ifstream in(path, std::ios::binary);
    if (!in || !S_ISREG(info.st_mode))
        throw std::runtime_error("cannot read " + path);
    std::ostringstream text;
    text << in.rdbuf();
    // An empty file (made by mktemp, say) is a fresh start.
    if (text.str().find_first_not_of(" \t\r\n") == std::string::npos)
        return {};
    try {
        return FromText(text.str());
    } catch (const std::runtime_error& e) {
        throw std::runtime_error(path + ": " + e.what());
    }
}

} // namespace zel::sim
