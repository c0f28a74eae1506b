#pragma once
// A pseudo-terminal pair for tests and the emulator: the master side is a Transport, the slave
// side is a device path that a SerialTransport (or zelInstallChannel with ZEL_COM<n>) opens.
// The master is raw too, so every byte passes unchanged in both directions.
#include <memory>
#include <string>

#include "zel/link/FdTransport.h"

namespace zel::link {

class PseudoTerminal : public FdTransport {
public:
    // Creates a new pair; nothing on failure.
    static std::unique_ptr<PseudoTerminal> Create(std::uint32_t bitRate = 0);
    ~PseudoTerminal() override;

    // The slave device, e.g. "/dev/pts/7".
    const std::string& SlavePath() const noexcept { return mSlavePath; }

    void DiscardInput() override;

private:
    PseudoTerminal(int masterFd, std::string slavePath, int keepSlaveFd, std::uint32_t bitRate);

    std::string mSlavePath;
    int mKeepSlaveFd; // held open so the master never reports a hang-up between slave sessions
};

} // namespace zel::link
