#pragma once

#include "dispatch/FtpClient.h"

#include <QDialog>
#include <QElapsedTimer>

class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace qvic {

struct SharedState;
class OperatorDialogs;

// "Transferring File": uploads the one file the shared state's transfer fields
// name, half a second after it opens, shows its progress, reports any failure
// itself and closes. The caller reads blnTransferOK afterwards, and what the
// window told the operator of a failure:
//
//     state.blnTransferOK = false;
//     frmTransferFTPFile dlg(state, dialogs, parent);
//     dlg.exec();
class frmTransferFTPFile : public QDialog
{
    Q_OBJECT

public:
    frmTransferFTPFile(SharedState &state, OperatorDialogs &dialogs, QWidget *parent = nullptr);
    ~frmTransferFTPFile() override;

    // Hours, minutes and seconds of the absolute value, each at least two digits.
    static QString FormatTimeLeft(qint64 seconds);

    // Tests shorten the client's time limits.
    void setTimeLimits(const FtpClient::TimeLimits &limits) { FTP1.setTimeLimits(limits); }
    // Before exec: the file goes under a temporary name and is renamed once whole.
    void setViaTemporaryName(bool via) { m_viaTemporaryName = via; }

    // After exec: the failure or cancel the window told the operator of; 0 and
    // no words when it told none.
    int failureNumber() const { return m_failureNumber; }
    QString failureWords() const { return m_failureWords; }

public slots:
    // Closing the window by its close box or Esc cancels too.
    void reject() override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    QWidget *createFileFrame();

    void RunTransfer();
    void btnCancel_Click();
    void FTP1_TransferStarted();
    void FTP1_TransferProgress(qint64 bytes);
    void FTP1_TransferFinished();
    void failed(const FtpError &error);
    void finish(bool transferOK);

    SharedState &m_state;
    OperatorDialogs &m_dialogs;
    FtpClient FTP1;

    bool blnTransferDone = false;
    bool blnCancelRequested = false;
    qint64 lngFileLength = 0;
    qint64 lngStartTick = 0;
    qint64 lngElapsedMs = 0;
    qint64 lngAvgRate = 0;
    QElapsedTimer m_clock;
    // Set once a cancel, a failure or the end has settled the result; nothing follows.
    bool m_closing = false;
    bool m_armed = false;
    bool m_viaTemporaryName = false;
    int m_failureNumber = 0;
    QString m_failureWords;

    QGroupBox *fraFile = nullptr;
    QLabel *lblFileNameVal = nullptr;
    QLabel *lblFileLengthVal = nullptr;
    QLabel *lblFileByteCountVal = nullptr;
    QLabel *lblTimeLeftVal = nullptr;
    QProgressBar *gProgress = nullptr;
    QPushButton *btnCancel = nullptr;
    QTimer *LoadTimer = nullptr;
};

} // namespace qvic
