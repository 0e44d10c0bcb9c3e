#pragma once
#include <string>
#include <string_view>

// Writes a file so that its name never shows a half-written one: the bytes go to a temporary file
// in the same folder, which replaces the named file only once all of it is written and flushed.
// A failure, or an object that goes without Commit, removes the temporary file and leaves whatever
// stood under the name as it was.
class CReplaceFile {
public:
    explicit CReplaceFile(std::string target);
    ~CReplaceFile();
    CReplaceFile(const CReplaceFile&) = delete;
    CReplaceFile& operator=(const CReplaceFile&) = delete;

    // Each returns false after a failure, whose reason Error() then tells.
    bool Open();
    bool Write(std::string_view bytes);
    bool Commit();
    const std::string& Error() const { return m_strError; }

private:
    bool Fail(const char* what);
    void Discard();

    std::string m_strTarget;
    std::string m_strTemp;
    std::string m_strError;
    int m_fd = -1;
};
