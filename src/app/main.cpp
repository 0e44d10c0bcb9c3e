#include "app/CommandLine.h"
#include "app/ZorbinApp.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    // Read before the window toolkit starts: --help and --version need no display.
    const CCommandLine::Result line = CCommandLine::Parse(std::vector<std::string>(argv, argv + argc));
    switch (line.action) {
    case CCommandLine::Action::Help:
        std::fputs(line.text.c_str(), stdout);  // ends with its own line break
        return 0;
    case CCommandLine::Action::Version: std::printf("%s\n", line.text.c_str()); return 0;
    case CCommandLine::Action::Error:
        std::fprintf(stderr, "zorbin: %s\nTry 'zorbin --help' for more information.\n", line.text.c_str());
        return 2;
    case CCommandLine::Action::Run: break;
    }
    // The option and the variable are one setting: every part of the program reads the variable.
    if (line.drives) setenv("ZORBIN_DRIVES", line.drives->c_str(), 1);
    QApplication application(argc, argv);
    if (!theApp.InitInstance(argc, argv)) return 1;
    const int result = QApplication::exec();
    // The main frame goes here; a count still running is not waited for.
    theApp.ExitInstance();
    return result;
}
