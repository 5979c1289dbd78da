// What the log fuzz targets share: the input as a file that lives in memory
// only (nothing is left behind, however the run ends; the reader opens it
// by its /proc name), and a prompter that answers Yes to every question.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <string>
#include <string_view>

#include "core/ports.h"

namespace orv::fuzz {

class YesPrompter : public IPrompter {
public:
    MsgAnswer MessageBox(int, const std::string&, MsgIcon, MsgButtons) override {
        return MsgAnswer::Yes;
    }
};

class MemoryFile {
public:
    explicit MemoryFile(std::string_view bytes)
        : m_fd(::memfd_create("orv_fuzz_log", MFD_CLOEXEC)) {
        if (m_fd >= 0 && !bytes.empty() &&
            ::write(m_fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
            ::close(m_fd);
            m_fd = -1;
        }
    }
    ~MemoryFile() {
        if (m_fd >= 0) ::close(m_fd);
    }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;
    bool Ok() const { return m_fd >= 0; }
    std::string Path() const { return "/proc/self/fd/" + std::to_string(m_fd); }

private:
    int m_fd;
};

}  // namespace orv::fuzz
