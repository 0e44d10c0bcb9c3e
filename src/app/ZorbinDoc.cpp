#include "app/ZorbinDoc.h"

bool CZorbinDoc::OnNewDocument() { return CDocument::OnNewDocument(); }
