#include "dispatch/ui/frmTransferFTPFile.h"

#include "state/SharedState.h"
#include "dispatch/Delivery.h"
#include "platform/OperatorDialogs.h"
#include "platform/ui/WindowPlacement.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>
#include <cstdlib>

namespace qvic {
namespace {

// The window was laid out in twips; 15 twips make a pixel at 96 dpi.
constexpr int px(int twips)
{
    return twips / 15;
}

QLabel *caption(const QString &text, const char *objectName)
{
    auto *label = new QLabel(text);
    label->setObjectName(QLatin1String(objectName));
    return label;
}

QLabel *value(const char *objectName, const QString &accessibleName, int widthTwips)
{
    auto *label = new QLabel;
    label->setObjectName(QLatin1String(objectName));
    label->setAccessibleName(accessibleName);
    label->setMinimumWidth(px(widthTwips));
    label->setTextInteractionFlags(Qt::NoTextInteraction);
    return label;
}

void processWindowEvents(int times)
{
    for (int i = 0; i < times; ++i)
        QCoreApplication::processEvents();
}

// Rounds halves to the even neighbour, as the rate arithmetic always has.
qint64 roundHalfEven(double value)
{
    return qint64(std::nearbyint(value));
}

} // namespace

frmTransferFTPFile::frmTransferFTPFile(SharedState &state, OperatorDialogs &dialogs,
                                       QWidget *parent)
    : QDialog(parent), m_state(state), m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("frmTransferFTPFile"));
    setWindowTitle(QStringLiteral("Transferring File"));
    setModal(true);

    btnCancel = new QPushButton(QStringLiteral("&Cancel"));
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setAccessibleName(QStringLiteral("Cancel"));
    btnCancel->setEnabled(false);
    btnCancel->setAutoDefault(false);
    btnCancel->setMinimumSize(px(1215), px(375));

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnCancel);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(px(120), px(120), px(120), px(120));
    layout->addWidget(createFileFrame());
    layout->addLayout(buttons);

    LoadTimer = new QTimer(this);
    LoadTimer->setObjectName(QStringLiteral("LoadTimer"));
    LoadTimer->setInterval(500);
    LoadTimer->setSingleShot(true);

    connect(LoadTimer, &QTimer::timeout, this, &frmTransferFTPFile::RunTransfer);
    connect(btnCancel, &QPushButton::clicked, this, &frmTransferFTPFile::btnCancel_Click);
    connect(&FTP1, &FtpClient::TransferStarted, this, &frmTransferFTPFile::FTP1_TransferStarted);
    connect(&FTP1, &FtpClient::TransferProgress, this, &frmTransferFTPFile::FTP1_TransferProgress);
    connect(&FTP1, &FtpClient::TransferFinished, this, &frmTransferFTPFile::FTP1_TransferFinished);

    const QSize size = sizeHint().expandedTo(QSize(px(7125), px(2145)));
    setFixedSize(size);
    m_clock.start();
}

frmTransferFTPFile::~frmTransferFTPFile() = default;

QWidget *frmTransferFTPFile::createFileFrame()
{
    fraFile = new QGroupBox;
    fraFile->setObjectName(QStringLiteral("fraFile"));

    lblFileNameVal = value("lblFileNameVal", QStringLiteral("Name"), 5655);
    // A long name must not widen the window.
    lblFileNameVal->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    lblFileLengthVal = value("lblFileLengthVal", QStringLiteral("Length"), 1455);
    lblFileByteCountVal = value("lblFileByteCountVal", QStringLiteral("Byte Count"), 1455);
    lblTimeLeftVal = value("lblTimeLeftVal", QStringLiteral("Time"), 975);

    gProgress = new QProgressBar;
    gProgress->setObjectName(QStringLiteral("gProgress"));
    gProgress->setAccessibleName(QStringLiteral("Progress"));
    gProgress->setRange(0, 100);
    gProgress->setValue(0);
    gProgress->setTextVisible(false);
    gProgress->setFixedHeight(px(255));

    auto *grid = new QGridLayout(fraFile);
    grid->setHorizontalSpacing(px(105));
    grid->setVerticalSpacing(px(105));
    grid->addWidget(caption(QStringLiteral("Name:"), "lblFileName"), 0, 0);
    grid->addWidget(lblFileNameVal, 0, 1, 1, 5);
    grid->addWidget(caption(QStringLiteral("Length:"), "lblFileLength"), 1, 0);
    grid->addWidget(lblFileLengthVal, 1, 1);
    grid->addWidget(caption(QStringLiteral("Byte Count:"), "lblFileByteCount"), 1, 2);
    grid->addWidget(lblFileByteCountVal, 1, 3);
    grid->addWidget(caption(QStringLiteral("Time:"), "lblTimeLeft"), 1, 4);
    grid->addWidget(lblTimeLeftVal, 1, 5);
    grid->addWidget(caption(QStringLiteral("Progress:"), "lblFileProgress"), 2, 0);
    grid->addWidget(gProgress, 2, 1, 1, 5);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    return fraFile;
}

void frmTransferFTPFile::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (m_armed)
        return;
    m_armed = true;
    centreOnScreen(*this);
    LoadTimer->start();
}

QString frmTransferFTPFile::FormatTimeLeft(qint64 seconds)
{
    const qint64 value = std::llabs(seconds);
    const auto twoDigits = [](qint64 n) { return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')); };
    return twoDigits(value / 3600) + QLatin1Char(':') + twoDigits(value % 3600 / 60)
           + QLatin1Char(':') + twoDigits(value % 60);
}

void frmTransferFTPFile::RunTransfer()
{
    LoadTimer->stop();
    if (m_closing)
        return;
    if (m_state.strTransferMode.toUpper() != QLatin1String("UPLOAD")) {
        finish(false);
        return;
    }

    lblFileNameVal->setText(m_state.strLocalFile);
    const QFileInfo shown(m_state.strLocalPath);
    if (shown.isFile()) {
        lngFileLength = shown.size();
        lblFileLengthVal->setText(QString::number(lngFileLength));
    }

    try {
        if (FTP1.IsConnected())
            FTP1.LogOff();

        const QFileInfo local(m_state.strLocalPath);
        if (!local.isFile())
            throw FtpError(ftperror::LocalFileMissing,
                           QStringLiteral("File not found: %1").arg(m_state.strLocalPath));
        // An empty file has nothing to send: it counts as sent.
        if (local.size() != 0) {
            fraFile->setTitle(QStringLiteral("Logon to ") + m_state.strRemoteHost);
            FTP1.RemoteFolder.clear();
            FTP1.RemoteFile.clear();
            FTP1.Host = m_state.strRemoteHost;
            FTP1.UserName = m_state.strFtpUser;
            FTP1.Password = m_state.strFtpPassword;
            FTP1.LogOn();
            if (m_closing)
                return;

            processWindowEvents(1);
            if (m_closing)
                return;
            fraFile->setTitle(QStringLiteral("Uploading file"));
            FTP1.RemoteFile = m_state.strRemoteFile;
            FTP1.LocalFile = m_state.strLocalPath;
            FTP1.ViaTemporaryName = m_viaTemporaryName;
            btnCancel->setEnabled(true);
            FTP1.SendFile();
            while (!blnTransferDone && !m_closing)
                FTP1.ServiceEvents();
            if (m_closing)
                return;
            FTP1.PutInPlace();
            if (m_closing)
                return;

            processWindowEvents(3);
            FTP1.LogOff();
            processWindowEvents(3);
            if (m_closing)
                return;
        }
        finish(true);
    } catch (const FtpError &error) {
        failed(error);
    }
}

void frmTransferFTPFile::failed(const FtpError &error)
{
    // A cancel has already told the operator and closed the window.
    if (m_closing)
        return;
    m_closing = true;
    m_failureNumber = error.number();
    m_failureWords = transferFailureWords(error.number(), error.description());
    m_dialogs.exclamation(m_failureWords);
    finish(false);
}

void frmTransferFTPFile::btnCancel_Click()
{
    if (m_closing)
        return;
    m_closing = true;
    blnCancelRequested = true;
    LoadTimer->stop();
    // Also ends a logon still in progress, which IsConnected does not yet show.
    FTP1.AbortTransfer();
    m_failureNumber = CURLE_ABORTED_BY_CALLBACK;
    m_failureWords = transferCancelledWords();
    m_dialogs.exclamation(m_failureWords);
    finish(false);
}

void frmTransferFTPFile::reject()
{
    btnCancel_Click();
}

void frmTransferFTPFile::finish(bool transferOK)
{
    m_closing = true;
    m_state.blnTransferOK = transferOK;
    done(transferOK ? QDialog::Accepted : QDialog::Rejected);
}

void frmTransferFTPFile::FTP1_TransferStarted()
{
    lngAvgRate = 0;
    lngElapsedMs = 0;
    lngStartTick = m_clock.elapsed();
    gProgress->show();
    blnTransferDone = false;
}

void frmTransferFTPFile::FTP1_TransferFinished()
{
    gProgress->hide();
    blnTransferDone = true;
}

void frmTransferFTPFile::FTP1_TransferProgress(qint64 bytes)
{
    if (blnCancelRequested) {
        FTP1.AbortTransfer();
        return;
    }
    if (lngFileLength == 0)
        return;
    gProgress->setValue(int(std::nearbyint(float(gProgress->maximum()) * float(bytes)
                                           / float(lngFileLength))));
    lblFileByteCountVal->setText(QString::number(bytes));

    lngElapsedMs = std::max<qint64>(1, m_clock.elapsed() - lngStartTick);
    const double rate = (double(bytes) / 1000.0) / (double(lngElapsedMs) / 1000.0);
    lngAvgRate = std::max<qint64>(1, roundHalfEven((rate + double(lngAvgRate)) / 2.0));
    const qint64 secondsLeft = roundHalfEven(
        (double(lngFileLength) / 1000.0 - double(bytes) / 1024.0) / double(lngAvgRate));
    lblTimeLeftVal->setText(FormatTimeLeft(secondsLeft));
    lblTimeLeftVal->repaint();
}

} // namespace qvic
