#pragma once

#include <QObject>

class QCoreApplication;
class QSocketNotifier;

// Ends the program cleanly on SIGTERM, SIGINT or SIGHUP (a logout, `kill`, a closed
// terminal). The handler only writes the signal's number into a pipe; the event loop reads it
// and quits, so the window is destroyed as usual (its converter stopped and waited for, its
// private folder removed) before reraise() lets the program die of that signal.
class TerminationSignals : public QObject {
    Q_OBJECT

public:
    TerminationSignals();
    ~TerminationSignals() override;

    // Runs the application's event loop until it quits or a signal ends it.
    int exec(QCoreApplication& app);
    // The signal that ended exec(), 0 when none did.
    int caught() const { return caught_; }
    // After the clean-up: ends the process by the signal caught, so its exit status tells it.
    void reraise() const;

signals:
    void received(int signal);

private:
    void readSignal();

    QSocketNotifier* notifier_ = nullptr;
    int caught_ = 0;
};
