#include "app/ZorbinApp.h"
#include "system/ContentCheck.h"
#include "commands/ResultLines.h"
#include "framework/DocTemplate.h"
#include "framework/Document.h"
#include "framework/MDIFrameWnd.h"
#include "framework/MessageBox.h"
#include "framework/ModalWork.h"
#include "table/ListView_Table.h"
#include "table/TableKind.h"

#include <atomic>
#include <charconv>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

CListView_Table::SameContent CListView_Table::s_sameContent;

std::vector<CContentCheck::File> CListView_Table::GetContentFiles(std::vector<int>& rowOf, int& nSkipped) const {
    // A run is the rows that share Name and Length (and, in a same-content table, their group).
    const int n = GetItemCount();
    std::vector<CContentCheck::File> files;
    std::unordered_map<std::string, int> runs;
    std::string key;
    CCellText held[7];
    std::string_view cells[7];
    rowOf.clear();
    nSkipped = 0;
    for (int r = 0; r < n; ++r) {
        CContentCheck::File file;
        if (!GetEntryCells(GetRows(), r, m_nKind, held, cells) ||
            std::from_chars(cells[3].data(), cells[3].data() + cells[3].size(), file.length).ec != std::errc()) {
            ++nSkipped;  // no longer the row of a file (a cell with a ";" shifted the rest)
            continue;
        }
        key.clear();
        GetRunKey(r, cells, key);
        file.run = runs.try_emplace(key, static_cast<int>(runs.size())).first->second;
        file.path.assign(cells[0]);
        file.modified.assign(cells[5]);
        files.push_back(std::move(file));
        rowOf.push_back(r);
    }
    return files;
}

// Check Contents: the files of a Doubles table's runs are read, and those whose bytes equal another
// file's of their run go, group by group in table order, to a new Doubles table.
void CListView_Table::CheckContents() {
    if (m_nKind != Doubles) {
        AfxMessageBox("Check Contents works only in a \"Doubles\" table", MB_ICONINFORMATION);
        return;
    }
    std::vector<int> rowOf;
    int nSkipped = 0;
    const std::vector<CContentCheck::File> files = GetContentFiles(rowOf, nSkipped);

    std::atomic<bool> bCancel{false};
    std::atomic<std::int64_t> nDone{0};
    CContentCheck::Result result;
    const int nThreads = std::thread::hardware_concurrency() < 2 ? 1 : 2;
    m_scanner.ShowProgress(" check contents (Esc cancels) ...", nullptr);
    CModalWork::Run([&] { result = CContentCheck::Run(files, nThreads, &bCancel, &nDone); },
                    [&] {
                        if (!files.empty())
                            m_scanner.m_wndProgress.SetPos(static_cast<int>(nDone.load() * 100 / std::ssize(files)));
                    },
                    [&] { bCancel.store(true); });
    m_scanner.m_wndProgress.DestroyWindow();
    if (result.bCancelled) {
        if (CMDIFrameWnd* frame = AfxGetMainWnd()) frame->SetMessageText(" Check Contents cancelled");
        return;
    }

    g_aResultLines.RemoveAll();
    std::string line;
    int nGroup = 0;
    for (const CContentCheck::Group& group : result.groups) {
        const std::string number = std::to_string(++nGroup);
        for (std::size_t k = 0; k < group.rows.size(); ++k) {
            MakeResultLine(GetRows(), rowOf[static_cast<std::size_t>(group.rows[k])], line);
            line += "; ";
            line += number;
            if (group.bLink[k]) line += " link";
            g_aResultLines.Add(line);
        }
    }
    const int nLeftOut = result.nUnreadable + result.nChanged + nSkipped;
    s_sameContent.bNext = true;
    s_sameContent.title = GetDocument()->GetTitle() + ", same content";
    g_nDrive = m_nDrive;
    g_nNextTable = Doubles;
    theApp.m_pTableTemplate->OpenDocumentFile(nullptr, true);
    if (nLeftOut > 0)
        AfxMessageBox(std::to_string(result.nUnreadable) + " files could not be read and " +
                          std::to_string(result.nChanged + nSkipped) +
                          " have changed since the table was made: they are left out.",
                      MB_ICONINFORMATION);
}
