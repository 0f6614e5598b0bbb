#pragma once

class QProgressDialog;

// What the busy dialog says while a document loads: the step under way and its pages done
// of the total ("Converting page 37 of 300"), with the bar at the pages done.
enum class BusyStep { Converting, Recognising, Reading };

// Shows `done` of `total` pages of `step` in `dialog`; nothing while the total is unknown
// (0), so a converter that reports no progress leaves the dialog busy as it is.
void showBusyProgress(QProgressDialog* dialog, BusyStep step, int done, int total);
