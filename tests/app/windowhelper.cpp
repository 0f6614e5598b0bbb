// The program's start and end around a window that opens a document at once:
//   zq_window_helper <converter folder> <pdf>
// The signal tests run it as a child and end it from outside while it loads.
#include "app/excelmain.h"
#include "app/terminationsignals.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc != 3)
        return 1;
    TerminationSignals termination;
    int result = 0;
    {
        ExcelMain window;
        window.setConverterDirectory(QString::fromLocal8Bit(argv[1]));
        window.show();
        const QString pdf = QString::fromLocal8Bit(argv[2]);
        QTimer::singleShot(0, &window, [&window, pdf] { window.openDocument(pdf); });
        result = termination.exec(app);
    }
    termination.reraise();
    return result;
}
