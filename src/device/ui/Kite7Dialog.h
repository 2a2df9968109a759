#pragma once

#include "commands/InstantFile.h"
#include "commands/InstantFile.h"
#include "dispatch/SendRequest.h"

#include <QDialog>

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;

namespace qvic {

struct SharedState;
class OperatorDialogs;

// "Kite-7 Settings": the Kite-7 device's COM port and how it crawls, kept in
// the shared state the moment they are chosen, and the two buttons that start
// and stop the device's crawl on the player whose address the main window holds.
// Open it afresh for each showing; "Done" and the close box only close it.
class Kite7Dialog : public QDialog
{
    Q_OBJECT

public:
    // playerAddress: the main window's address box as typed; clock: the command files' time stamp.
    Kite7Dialog(SharedState &state, OperatorDialogs &dialogs, const QString &playerAddress, Clock clock,
             QWidget *parent = nullptr);
    // The time limits of the dialog's own sends; tests shorten them.
    void setSendLimits(const SendTimeLimits &limits) { m_limits = limits; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    QGroupBox *createComFrame();
    QGroupBox *createCrawlFrame();
    QGroupBox *createFontFrame();
    QGroupBox *createBannerFrame();
    void loadSavedPassword();

    void onComPortChosen();
    void onSpeedChosen();
    void onPositionChosen();
    void onRepetitionChosen();
    void onBackColorChosen();
    void onFontChosen();
    void onFontColorChosen();
    void onCloseClicked();
    void onStartClicked();
    void onStopClicked();

    // The steps a start and a stop share once their own checks have passed:
    // the password, then the command file to the player.
    void sendKite7File(DeliveryAction action, const QString &host);

    SharedState &m_state;
    OperatorDialogs &m_dialogs;
    QString m_playerAddress;
    Clock m_clock;
    SendTimeLimits m_limits;

    QGroupBox *m_comFrame = nullptr;
    QComboBox *m_comPortList = nullptr;
    QGroupBox *m_crawlFrame = nullptr;
    QComboBox *m_speedList = nullptr;
    QComboBox *m_positionList = nullptr;
    QComboBox *m_repetitionList = nullptr;
    // The two groups below stay out of sight; their settings are kept all the same.
    QGroupBox *m_fontFrame = nullptr;
    QComboBox *m_fontList = nullptr;
    QComboBox *m_fontColorList = nullptr;
    QGroupBox *m_bannerFrame = nullptr;
    QComboBox *m_backColorList = nullptr;
    QPushButton *m_startButton = nullptr;
    QPushButton *m_stopButton = nullptr;
    QPushButton *m_closeButton = nullptr;
};

} // namespace qvic
