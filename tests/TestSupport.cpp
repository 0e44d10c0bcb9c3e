#include "TestSupport.h"

#include <dirent.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>

TempDir::TempDir() {
    char pattern[] = "/tmp/zorbin-test-XXXXXX";
    if (!mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
    chmod(m_path.c_str(), 0755);
}

TempDir::~TempDir() {
    // rm walks with openat, so even trees far deeper than PATH_MAX go; the path is mkdtemp's own.
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
    if (const char* old = std::getenv(name)) {
        m_hadValue = true;
        m_oldValue = old;
    }
    setenv(name, value.c_str(), 1);
}

ScopedEnv::~ScopedEnv() {
    if (m_hadValue)
        setenv(m_name.c_str(), m_oldValue.c_str(), 1);
    else
        unsetenv(m_name.c_str());
}

MessageBoxRecorder::MessageBoxRecorder() {
    m_previous = SetMessageBoxHandler([this](const MessageBoxRequest& request) {
        boxes.push_back(request);
        if (!answers.empty()) {
            const int answer = answers.front();
            answers.erase(answers.begin());
            return answer;
        }
        return (request.type & 0x0F) == MB_YESNO ? IDYES : IDOK;
    });
}

MessageBoxRecorder::~MessageBoxRecorder() { SetMessageBoxHandler(m_previous); }

std::vector<std::string> ListingOrder(const std::string& dir) {
    std::vector<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d))
            if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) names.emplace_back(e->d_name);
        closedir(d);
    }
    return names;
}

std::optional<std::string> RunInChildProcess(const std::function<std::string()>& body) {
    int fds[2];
    if (pipe(fds) != 0) return std::nullopt;
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid < 0) {
        close(fds[0]);
        close(fds[1]);
        return std::nullopt;
    }
    if (pid == 0) {
        close(fds[0]);
        const std::string out = body();
        for (std::size_t done = 0; done < out.size();) {
            const ssize_t n = write(fds[1], out.data() + done, out.size() - done);
            if (n <= 0) _exit(3);
            done += static_cast<std::size_t>(n);
        }
        _exit(0);
    }
    close(fds[1]);
    std::string out;
    char buf[65536];
    for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) != 0;) {
        if (n < 0) {
            if (errno == EINTR) continue;
            break;
        }
        out.append(buf, static_cast<std::size_t>(n));
    }
    close(fds[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
    return out;
}
