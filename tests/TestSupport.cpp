#include "TestSupport.h"

#include "store/TimeText.h"

#include <fcntl.h>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

TempDir::TempDir() {
    char pattern[] = "/tmp/zorbin-test-XXXXXX";
    if (!mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
    chmod(m_path.c_str(), 0755);
}

TempDir::~TempDir() {
    // Folders a test made unreadable are opened up first; the path is mkdtemp's own.
    const std::string command = "chmod -R u+rwx '" + m_path + "' 2>/dev/null; rm -rf -- '" + m_path + "'";
    if (std::system(command.c_str()) != 0) std::fprintf(stderr, "could not remove %s\n", m_path.c_str());
}

std::string TempDir::MakeFile(const std::string& relative, const std::string& bytes) const {
    const std::filesystem::path path = std::filesystem::path(m_path) / relative;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
    return path.string();
}

std::string TempDir::MakeDir(const std::string& relative) const {
    const std::filesystem::path path = std::filesystem::path(m_path) / relative;
    std::filesystem::create_directories(path);
    return path.string();
}

ScopedEnv::ScopedEnv(const char* name, const std::string& value) : m_name(name) {
    if (const char* old = std::getenv(name)) m_old = old;
    setenv(name, value.c_str(), 1);
}

ScopedEnv::~ScopedEnv() {
    if (m_old)
        setenv(m_name.c_str(), m_old->c_str(), 1);
    else
        unsetenv(m_name.c_str());
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> ListingOrder(const std::string& dir) {
    // The directory iterator hands the entries on in the order readdir returns them.
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(dir, error)) names.push_back(entry.path().filename());
    return names;
}

std::vector<ListedEntry> WalkOrder(const std::string& dir, const std::vector<std::string>& skip) {
    std::vector<ListedEntry> out;
    for (const std::string& name : ListingOrder(dir)) {
        const std::string path = dir + "/" + name;
        const bool bDir = std::filesystem::is_directory(std::filesystem::symlink_status(path));
        out.push_back({path, bDir});
        if (bDir && std::ranges::find(skip, path) == skip.end())
            std::ranges::move(WalkOrder(path, skip), std::back_inserter(out));
    }
    return out;
}

std::string BirthText(const std::string& path) {
    struct statx st;
    if (statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, STATX_BTIME, &st) != 0 || !(st.stx_mask & STATX_BTIME))
        return "";
    return TimeText(st.stx_btime.tv_sec);
}

std::optional<std::string> RunInChildProcess(const std::function<std::string()>& body) {
    const TempDir dir;
    chmod(dir.Path().c_str(), 0777);  // a body may drop to another user before it answers
    const std::string file = dir.Path() + "/out";
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid < 0) return std::nullopt;
    if (pid == 0) {
        // Whatever happens in the body, the child never returns into the test that forked it.
        try {
            std::ofstream(file, std::ios::binary) << body();
        } catch (...) {
            _exit(1);
        }
        _exit(0);
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
    return ReadFile(file);
}

void MountRefused(const std::string& why) {
    const char* ci = std::getenv("CI");
    if (ci && std::string(ci) == "true") FAIL() << "no file system can be mounted here: " << why;
    GTEST_SKIP() << "no file system can be mounted here: " << why;
}

std::string HexText(std::string_view bytes) {
    std::string out;
    for (const unsigned char c : bytes) out += {"0123456789abcdef"[c >> 4], "0123456789abcdef"[c & 15]};
    return out;
}

std::string ReadCsvWithPython(const std::string& file, const char* dialect) {
    const std::string command =
        "python3 -c 'import csv,sys\n"
        "with open(sys.argv[1], newline=\"\", encoding=\"latin-1\") as f:\n"
        "  for row in csv.reader(f, dialect=sys.argv[2]):\n"
        "    print(\" \".join(c.encode(\"latin-1\").hex() for c in row))' '" +
        file + "' " + dialect;
    FILE* pipe = ::popen(command.c_str(), "r");
    std::string out;
    if (pipe == nullptr) return out;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    if (::pclose(pipe) != 0) out += "(python3 failed)";
    return out;
}
