#pragma once
#include <functional>
#include <string>
#include <string_view>

// A document: in Zorbin it carries only its window's title.
class CDocument {
public:
    virtual ~CDocument() = default;
    virtual bool OnNewDocument() { return true; }
    void SetTitle(std::string_view title);
    const std::string& GetTitle() const { return m_strTitle; }
    // The frame listens here to show the title as its caption.
    std::function<void(const std::string&)> m_onTitleChanged;

private:
    std::string m_strTitle;
};
