#include "app/excelmain.h"
#include "app/messagelog.h"
#include "app/terminationsignals.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    // Before the application object, so that its own messages reach the log too.
    MessageLog::install();
    QApplication app(argc, argv);
    MessageLog::clear();
    TerminationSignals termination;
    int result = 0;
    {
        ExcelMain window;
        window.show();
        result = termination.exec(app);
    }
    termination.reraise();
    return result;
}
