#include "excelmain.h"
#include "messagelog.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    // Before the application object, so that its own messages reach the log too.
    MessageLog::install();
    QApplication app(argc, argv);
    MessageLog::clear();
    ExcelMain window;
    window.show();
    return app.exec();
}
