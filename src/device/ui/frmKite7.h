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
class frmKite7 : public QDialog
{
    Q_OBJECT

public:
    // playerAddress: the main window's address box as typed; clock: the command files' time stamp.
    frmKite7(SharedState &state, OperatorDialogs &dialogs, const QString &playerAddress, Clock clock,
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
    void Form_Load();

    void cboComPort_Click();
    void cboCrawlSpeed_Click();
    void cboPosition_Click();
    void cboRepetition_Click();
    void cboBackColor_Click();
    void cboFont_Click();
    void cboFontColor_Click();
    void btnClose_Click();
    void btnKite7InstCrawl_Click();
    void btnKite7StopCrawl_Click();

    // The steps a start and a stop share once their own checks have passed:
    // the password, then the command file to the player.
    void sendKite7File(DeliveryAction action, const QString &host);

    SharedState &m_state;
    OperatorDialogs &m_dialogs;
    QString m_playerAddress;
    Clock m_clock;
    SendTimeLimits m_limits;

    QGroupBox *Frame4 = nullptr;
    QComboBox *cboComPort = nullptr;
    QGroupBox *Frame3 = nullptr;
    QComboBox *cboCrawlSpeed = nullptr;
    QComboBox *cboPosition = nullptr;
    QComboBox *cboRepetition = nullptr;
    // The two groups below stay out of sight; their settings are kept all the same.
    QGroupBox *Frame1 = nullptr;
    QComboBox *cboFont = nullptr;
    QComboBox *cboFontColor = nullptr;
    QGroupBox *Frame2 = nullptr;
    QComboBox *cboBackColor = nullptr;
    QPushButton *btnKite7InstCrawl = nullptr;
    QPushButton *btnKite7StopCrawl = nullptr;
    QPushButton *btnClose = nullptr;
};

} // namespace qvic
