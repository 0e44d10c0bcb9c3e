#include "scan/DriveScanner.h"

#include "platform/DirWalker.h"
#include "platform/DriveMap.h"
#include "platform/MessageBox.h"
#include "platform/TimeText.h"
#include "platform/WinThread.h"
#include "scan/CountThread.h"
#include "scan/DriveGlobals.h"
#include "scan/ScanColumns.h"

#include <atomic>
#include <charconv>
#include <cstdio>
#include <memory>

namespace {

// The lower-cased text after the last full stop of a name; empty when there is none.
void AppendExtension(std::string_view name, std::string& out) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) return;
    for (std::size_t i = dot + 1; i < name.size(); ++i) {
        const char c = name[i];
        out += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;  // bytes above 127 stay
    }
}

// "%.0f" of the length as a double. Below 2^53 the double is the length itself, so its digits are
// written directly; above, the double's rounding is what the text must show.
void AppendLength(std::uint64_t length, std::string& out) {
    char buf[400];
    if (length < (std::uint64_t{1} << 53)) {
        const auto result = std::to_chars(buf, buf + sizeof buf, length);
        out.append(buf, result.ptr);
    } else {
        const int n = std::snprintf(buf, sizeof buf, "%.0f", static_cast<double>(length));
        out.append(buf, static_cast<std::size_t>(n));
    }
}

// What a count job owns: its own counters, so the view that started the count can close while the
// worker runs, and the gate that holds the worker until g_pCountThread names it.
struct CountJob {
    ScanColumns counters;
    std::atomic<bool> bStarted{false};
};

unsigned CountJobProc(void* pParam) {
    const std::unique_ptr<CountJob> job(static_cast<CountJob*>(pParam));
    job->bStarted.wait(false, std::memory_order_acquire);
    return CountThreadProc(&job->counters);
}

}  // namespace

bool CDriveScanner::GetDriveLetters() {
    const unsigned long mask = _getdrives();
    if (mask == 0) {
        AfxMessageBox("Error: Can not get Drive Letters!", MB_OK);
        return false;
    }
    // A running count reads g_szDrives for its drive loop: the list changes only after it ends.
    WaitForCount();
    int n = 0;
    for (int bit = 0; bit < 26 && (mask >> bit) != 0; ++bit)
        if (mask & (1UL << bit)) g_szDrives[n++] = static_cast<char>('A' + bit);
    g_szDrives[n] = '\0';
    return true;
}

void CDriveScanner::StartCountThread(ScanColumns* /*pColumns*/) {
    // One count at a time. The worker counts into a record of its own, never into the view's.
    WaitForCount();
    auto* job = new CountJob;
    CWinThread* pThread = AfxBeginThread(&CountJobProc, job);
    if (!pThread) {
        delete job;
        g_pCountThread.store(nullptr, std::memory_order_release);
        return;
    }
    // Published before the worker may run: a worker that ends at once still leaves it null.
    g_pCountThread.store(pThread, std::memory_order_release);
    job->bStarted.store(true, std::memory_order_release);
    job->bStarted.notify_one();
}

void CDriveScanner::ScanFolder(std::string strFolder, ScanColumns* pColumns) {
    if (!pColumns) return;
    ScanColumns& c = *pColumns;
    RefreshTimeZone();
    const bool bFiles = c.pFilePath || c.pFileName || c.pFileExt || c.pFileLength || c.pFileCreated ||
                        c.pFileModified || c.pFileAccessed;
    std::string work;  // every computed text passes through this one buffer
    work.reserve(256);
    // Paths of one folder follow each other: a path column keeps what each adds to the one before.
    for (CTextColumn* path : {c.pDirPath, c.pFilePath})
        if (path) path->SetPrefixCoded();
    std::int64_t nRead = 0;
    m_nEntriesRead.store(0, std::memory_order_relaxed);
    auto visit = [&](const CDirWalker::Entry& e) {
        m_nEntriesRead.store(++nRead, std::memory_order_relaxed);  // a plain store: no lock per entry
        if (e.bDir) {
            if (c.pDirPath) c.pDirPath->Add(e.path);
            if (c.pDirName) c.pDirName->Add(e.name);
            if (c.pDirCreated) c.pDirCreated->AddTime(e.bHasBirth, e.nBirth);
            return;
        }
        if (!bFiles) return;
        if (c.pFilePath) c.pFilePath->Add(e.path);
        if (c.pFileName) c.pFileName->Add(e.name);
        if (c.pFileExt) {
            work.clear();
            AppendExtension(e.name, work);
            c.pFileExt->Add(work);
        }
        if (c.pFileLength) {
            work.clear();
            if (e.bHasStatus) AppendLength(e.nLength, work);
            c.pFileLength->Add(work);
        }
        if (c.pFileCreated) c.pFileCreated->AddTime(e.bHasBirth, e.nBirth);
        if (c.pFileModified) c.pFileModified->AddTime(e.bHasStatus, e.nModified);
        if (c.pFileAccessed) c.pFileAccessed->AddTime(e.bHasStatus, e.nAccessed);
    };
    // A Directories table needs no file's status: its walk reads only the directories'.
    CDirWalker walker(bFiles ? CDirWalker::Mode::Status : CDirWalker::Mode::DirStatus);
    walker.Walk(ResolveDrivePath(strFolder), visit);
}

std::string CDriveScanner::GetExtension(std::string strPath) {
    const std::size_t slash = strPath.rfind('/');
    std::string ext;
    AppendExtension(std::string_view(strPath).substr(slash == std::string::npos ? 0 : slash + 1), ext);
    return ext;
}
