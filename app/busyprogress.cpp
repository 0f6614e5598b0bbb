#include "app/busyprogress.h"

#include <QCoreApplication>
#include <QProgressDialog>

#include <algorithm>

void showBusyProgress(QProgressDialog* dialog, BusyStep step, int done, int total)
{
    if (total <= 0)
        return;
    const char* label =
        step == BusyStep::Converting    ? QT_TRANSLATE_NOOP("ExcelMain", "Converting page %1 of %2")
        : step == BusyStep::Recognising ? QT_TRANSLATE_NOOP("ExcelMain", "Recognising text: page %1 of %2")
                                        : QT_TRANSLATE_NOOP("ExcelMain", "Reading the text of page %1 of %2");
    // The page under way, counted from 1.
    const int page = std::clamp(done + 1, 1, total);
    dialog->setLabelText(QCoreApplication::translate("ExcelMain", label).arg(page).arg(total));
    dialog->setRange(0, total);
    dialog->setValue(std::clamp(done, 0, total));
}
