#pragma once
#include "framework/Document.h"

// The document of every window: it holds no data, only the title its window shows.
class CZorbinDoc : public CDocument {
public:
    bool OnNewDocument() override;
};
