#include "TestSupport.h"
#include "app/ZorbinView.h"

#include <QPrinter>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

TEST(ZorbinView, PrintsOneEmptyPage) {
    TempDir dir;
    const std::string pdf = dir.Path() + "/page.pdf";
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(pdf));
    CZorbinView view;
    view.OnPrint(&printer);
    std::ifstream in(pdf, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    const std::string text = bytes.str();
    ASSERT_EQ(text.rfind("%PDF", 0), 0u);
    EXPECT_NE(text.find("/Count 1"), std::string::npos);
}
