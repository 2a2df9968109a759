#pragma once

#include "dispatch/SendEngine.h"

#include <QDialog>
#include <QElapsedTimer>

#include <functional>

class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace qvic {

class OperatorDialogs;

// "Transferring File": the view of a send to one player. Half a second after
// it opens it hands the send to the engine, then shows each file as it goes
// (name, length, the bytes the player has, the time left, a progress bar),
// offers Cancel once the player is logged on, tells a failure or a cancel in
// the program's words and closes. The window's thread never waits on the
// player: the engine works on threads of its own.
//
//     TransferWindow window(request, dialogs, parent);
//     window.setOnEnded([&](const PlayerResult &result) { log it });
//     window.exec();
//     if (window.outcome().delivered()) ...
class TransferWindow : public QDialog
{
    Q_OBJECT

public:
    // request holds one player.
    TransferWindow(const SendRequest &request, OperatorDialogs &dialogs, QWidget *parent = nullptr);
    ~TransferWindow() override;

    // Hours, minutes and seconds of the absolute value, each at least two digits.
    static QString formatTimeLeft(qint64 seconds);

    void setTimeLimits(const SendTimeLimits &limits) { m_engine.setTimeLimits(limits); }
    // Called once the send has ended, before any message opens (the send log).
    void setOnEnded(std::function<void(const PlayerResult &)> onEnded) { m_onEnded = std::move(onEnded); }

    // After exec: how the send ended; a failure's words are those the window showed.
    const PlayerResult &outcome() const { return m_outcome; }

public slots:
    // Closing the window by its close box or Esc cancels, as Cancel does.
    void reject() override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    QWidget *createFileFrame();

    void startSend();
    void onCancelClicked();
    void showProgress(int player);
    void showFile(int index);
    void showBytes(qint64 bytes);
    void end(const PlayerResult &outcome);

    SendRequest m_request;
    OperatorDialogs &m_dialogs;
    SendEngine m_engine;
    std::function<void(const PlayerResult &)> m_onEnded;
    PlayerResult m_outcome;
    bool m_started = false;
    bool m_cancelRequested = false;
    bool m_ended = false;
    bool m_armed = false;

    // The file on its way, and the arithmetic of its time left.
    int m_file = -1;
    qint64 m_fileLength = 0;
    qint64 m_bytesShown = -1;
    qint64 m_startMs = 0;
    qint64 m_averageRate = 0; // bytes per millisecond (kB/s of 1000 bytes), at least 1
    QElapsedTimer m_clock;

    QGroupBox *m_fileFrame = nullptr;
    QLabel *m_nameValue = nullptr;
    QLabel *m_lengthValue = nullptr;
    QLabel *m_byteCountValue = nullptr;
    QLabel *m_timeLeftValue = nullptr;
    QProgressBar *m_progress = nullptr;
    QPushButton *m_cancelButton = nullptr;
    QTimer *m_startTimer = nullptr;
};

} // namespace qvic
