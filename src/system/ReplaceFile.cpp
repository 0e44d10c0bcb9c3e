#include "system/ReplaceFile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

CReplaceFile::CReplaceFile(std::string target) : m_strTarget(std::move(target)) {}

CReplaceFile::~CReplaceFile() { Discard(); }

bool CReplaceFile::Fail(const char* what) {
    m_strError = std::string(what) + " " + m_strTarget + ": " + std::strerror(errno);
    Discard();
    return false;
}

void CReplaceFile::Discard() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
    if (!m_strTemp.empty()) ::unlink(m_strTemp.c_str());
    m_strTemp.clear();
}

bool CReplaceFile::Open() {
    Discard();
    m_strTemp = m_strTarget + ".XXXXXX";
    m_fd = ::mkstemp(m_strTemp.data());
    if (m_fd < 0) {
        m_strTemp.clear();
        return Fail("Cannot write");
    }
    // mkstemp makes the file for its owner alone; the export gets the mode any new file gets.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    if (::fchmod(m_fd, 0666 & ~mask) != 0) return Fail("Cannot write");
    return true;
}

bool CReplaceFile::Write(std::string_view bytes) {
    if (m_fd < 0) return false;
    while (!bytes.empty()) {
        const ssize_t n = ::write(m_fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return Fail("Cannot write");
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

bool CReplaceFile::Commit() {
    if (m_fd < 0) return false;
    // Flushed before the rename, so a crash right after leaves the old file or the whole new one.
    if (::fsync(m_fd) != 0) return Fail("Cannot write");
    const int fd = std::exchange(m_fd, -1);
    if (::close(fd) != 0) return Fail("Cannot write");
    if (::rename(m_strTemp.c_str(), m_strTarget.c_str()) != 0) return Fail("Cannot replace");
    m_strTemp.clear();
    return true;
}
