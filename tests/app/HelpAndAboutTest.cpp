#include "app/AboutDlg.h"
#include "app/MainFrame.h"
#include "app/Resource.h"
#include "app/ShellFixture.h"
#include "app/ZorbinApp.h"

#include <QAction>
#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QWhatsThis>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

// The desktop's opener is a script of the test's own that writes down what it was given.
class Help : public ShellFixture {
protected:
    Help()
        : m_opened(m_dir.Path() + "/opened.txt"),
          m_opener(m_dir.MakeFile("opener.sh", "#!/bin/sh\nprintf '%s\\n' \"$@\" >> '" + m_opened + "'\n")),
          m_openerEnv("ZORBIN_OPENER", m_opener) {
        chmod(m_opener.c_str(), 0755);
    }
    std::string m_opened;
    std::string m_opener;
    ScopedEnv m_openerEnv;
};

TEST_F(Help, F1AndHelpTopicsOpenTheGuide) {
    Start();
    const std::string guide = m_dir.MakeFile("share/guide.html", "<html></html>");
    Frame()->m_aGuideFolders = {m_dir.Path() + "/nowhere", m_dir.Path() + "/share"};
    Activate();
    QTest::keyClick(Frame(), Qt::Key_F1);
    Frame()->GetAction(ID_HELP_FINDER)->trigger();
    EXPECT_EQ(ReadAll(m_opened), guide + "\n" + guide + "\n");
    EXPECT_TRUE(m_boxes.boxes.empty());
}

TEST_F(Help, MissingGuideIsToldNotOpened) {
    Start();
    Frame()->m_aGuideFolders = {m_dir.MakeDir("empty")};
    Frame()->GetAction(ID_HELP_FINDER)->trigger();
    ASSERT_EQ(m_boxes.boxes.size(), 1u);
    EXPECT_EQ(m_boxes.boxes[0].type, MB_ICONINFORMATION);
    EXPECT_EQ(m_boxes.boxes[0].caption, "Zorbin");
    EXPECT_NE(m_boxes.boxes[0].text.find("guide"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(m_opened));
}

TEST_F(Help, TheShippedGuideIsFound) {
    Start();
    Frame()->GetAction(ID_HELP_FINDER)->trigger();
    ASSERT_TRUE(m_boxes.boxes.empty());
    std::string opened = ReadAll(m_opened);
    ASSERT_FALSE(opened.empty());
    opened.pop_back();  // the line end
    EXPECT_EQ(std::filesystem::path(opened).filename(), "guide.html");
    EXPECT_NE(ReadAll(opened).find("<title>Zorbin user guide</title>"), std::string::npos);
}

TEST_F(Help, ShiftF1StartsContextHelp) {
    Start();
    Activate();
    ASSERT_FALSE(QWhatsThis::inWhatsThisMode());
    QTest::keyClick(Frame(), Qt::Key_F1, Qt::ShiftModifier);
    EXPECT_TRUE(QWhatsThis::inWhatsThisMode());
    QWhatsThis::leaveWhatsThisMode();
    EXPECT_FALSE(Frame()->GetToolBar()->whatsThis().isEmpty());
}

using About = ShellFixture;

TEST_F(About, ShowsNameVersionMakersAndOk) {
    Start();
    QStringList texts;
    QString title;
    QSize size, expected;
    bool hasIcon = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<CAboutDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        title = dialog->windowTitle();
        size = dialog->size();
        // 235 by 105 dialog units at the dialog's font (a unit: a quarter of the letters' mean
        // width, an eighth of the line height).
        const QFontMetrics metrics(dialog->font());
        const int cx = (metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") / 26 + 1) / 2;
        expected = QSize(235 * cx / 4, 105 * metrics.height() / 8);
        for (QLabel* label : dialog->findChildren<QLabel*>()) {
            if (!label->pixmap().isNull()) hasIcon = true;
            if (!label->text().isEmpty()) texts << label->text();
        }
        auto* ok = dialog->findChild<QPushButton*>("IDOK");
        ASSERT_NE(ok, nullptr);
        EXPECT_EQ(ok->text(), "OK");
        QTest::mouseClick(ok, Qt::LeftButton);
    });
    Frame()->GetAction(ID_APP_ABOUT)->trigger();
    EXPECT_EQ(title, "About Zorbin");
    EXPECT_EQ(size, expected);
    EXPECT_TRUE(hasIcon);
    ASSERT_EQ(texts.size(), 3);
    EXPECT_EQ(texts[0], "Zorbin Version 1.0");
    EXPECT_FALSE(texts[1].trimmed().isEmpty());
    EXPECT_FALSE(texts[2].trimmed().isEmpty());
}
