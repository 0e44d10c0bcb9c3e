#include "app/ZorbinApp.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (!theApp.InitInstance(argc, argv)) return 1;
    const int result = QApplication::exec();
    // The main frame goes here; a count still running is not waited for.
    theApp.ExitInstance();
    return result;
}
