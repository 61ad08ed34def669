#include "app/RavelinApp.h"

#include <QApplication>
#include <csignal>

int main(int argc, char* argv[])
{
    // A file-size limit must fail a write cleanly (the output is then discarded),
    // not kill the program.
    std::signal(SIGXFSZ, SIG_IGN);
    QApplication app(argc, argv);
    ravelin::CRavelinApp theApp;
    if (!theApp.InitInstance(QApplication::arguments()))
        return theApp.ExitCode();
    return QApplication::exec();
}
