#pragma once
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A folder of the test's own under /tmp, removed with everything below it at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return m_path; }
    // Creates a file (and its parent folders) below the folder, with the given bytes.
    std::string MakeFile(const std::string& relative, const std::string& bytes = {}) const;
    std::string MakeDir(const std::string& relative) const;

private:
    std::string m_path;
};

// Sets an environment variable for the scope, then restores it.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value);
    ~ScopedEnv();

private:
    std::string m_name;
    std::optional<std::string> m_old;
};

// The bytes of a file; empty when it cannot be read.
std::string ReadFile(const std::string& path);

// The entries of a directory in the order the directory listing returns them, without dot entries.
std::vector<std::string> ListingOrder(const std::string& dir);
// A walk's order worked out from the listings themselves: every entry below dir, depth-first
// pre-order, each directory's entries in ListingOrder, symbolic links as files; the subtree of a
// directory named in skip is left out (its own entry stays).
struct ListedEntry {
    std::string path;
    bool bDir;
};
std::vector<ListedEntry> WalkOrder(const std::string& dir, const std::vector<std::string>& skip = {});

// The time text of the entry's birth time (statx, not following a link) where its file system
// keeps one, else empty.
std::string BirthText(const std::string& path);

// Runs body in a forked child (for what a test must not do to its own process: drop to another
// user, enter a mount namespace) and returns what body returned; nothing when the child did not
// end normally. The child ends with _exit, running no destructor of the parent's.
std::optional<std::string> RunInChildProcess(const std::function<std::string()>& body);

// Where no file system can be mounted a test that needs one is skipped, but never where CI=true:
// there a skip would hide that the checks behind the mount ran nowhere. Return right after it.
void MountRefused(const std::string& why);

// The bytes as lower-case hex, two digits a byte.
std::string HexText(std::string_view bytes);
// The rows of a CSV or tab-separated file as Python's csv module reads them (dialect "excel" or
// "excel-tab", the file's bytes taken as they are): each cell in hex, cells separated by blanks,
// one row a line. A reader independent of Zorbin's writer.
std::string ReadCsvWithPython(const std::string& file, const char* dialect);
