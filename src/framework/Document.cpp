#include "framework/Document.h"

void CDocument::SetTitle(std::string_view title) {
    m_strTitle.assign(title);
    if (m_onTitleChanged) m_onTitleChanged(m_strTitle);
}
