#include "app/RavelinApp.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    ravelin::CRavelinApp theApp;
    if (!theApp.InitInstance(QApplication::arguments()))
        return theApp.ExitCode();
    return QApplication::exec();
}
