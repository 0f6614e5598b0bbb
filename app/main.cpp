#include "app/excelmain.h"
#include "app/fileopening.h"
#include "app/messagelog.h"
#include "app/terminationsignals.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>

int main(int argc, char* argv[])
{
    // Before the application object, so that its own messages reach the log too.
    MessageLog::install();
    QApplication app(argc, argv);
    MessageLog::clear();
    QCommandLineParser arguments;
    arguments.setApplicationDescription(QStringLiteral("Takes tables out of PDF files."));
    arguments.addHelpOption();
    arguments.addPositionalArgument(QStringLiteral("file"), QStringLiteral("The PDF to open."),
                                    QStringLiteral("[file]"));
    arguments.process(app);
    TerminationSignals termination;
    int result = 0;
    {
        ExcelMain window;
        window.show();
        // Once the window is up, so that the busy dialog has it to stand on.
        const QStringList files = arguments.positionalArguments();
        if (!files.isEmpty())
            QTimer::singleShot(0, &window,
                               [&window, file = files.first()] { openFileAtStart(window, file); });
        result = termination.exec(app);
    }
    termination.reraise();
    return result;
}
