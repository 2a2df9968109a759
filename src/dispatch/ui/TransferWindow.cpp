#include "dispatch/ui/TransferWindow.h"

#include "dispatch/FtpFailure.h"
#include "platform/OperatorDialogs.h"
#include "platform/ui/WindowPlacement.h"

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

QLabel *value(const char *objectName, const QString &accessibleName, int widthTwips)
{
    auto *label = new QLabel;
    label->setObjectName(QLatin1String(objectName));
    label->setAccessibleName(accessibleName);
    label->setMinimumWidth(px(widthTwips));
    label->setTextInteractionFlags(Qt::NoTextInteraction);
    return label;
}

// Rounds halves to the even neighbour (2.5 gives 2): the rate and the time left are rounded so.
qint64 roundHalfEven(double value)
{
    return qint64(std::nearbyint(value));
}

} // namespace

TransferWindow::TransferWindow(const SendRequest &request, OperatorDialogs &dialogs, QWidget *parent)
    : QDialog(parent), m_request(request), m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("TransferWindow"));
    setWindowTitle(QStringLiteral("Transferring File"));
    setModal(true);

    m_cancelButton = new QPushButton(QStringLiteral("&Cancel"));
    m_cancelButton->setObjectName(QStringLiteral("cancelButton"));
    m_cancelButton->setAccessibleName(QStringLiteral("Cancel"));
    m_cancelButton->setEnabled(false);
    m_cancelButton->setAutoDefault(false);
    m_cancelButton->setMinimumSize(px(1215), px(375));

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_cancelButton);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(px(120), px(120), px(120), px(120));
    layout->addWidget(createFileFrame());
    layout->addLayout(buttons);

    // The half second between the window's opening and the send.
    m_startTimer = new QTimer(this);
    m_startTimer->setObjectName(QStringLiteral("startTimer"));
    m_startTimer->setInterval(500);
    m_startTimer->setSingleShot(true);

    connect(m_startTimer, &QTimer::timeout, this, &TransferWindow::startSend);
    connect(m_cancelButton, &QPushButton::clicked, this, &TransferWindow::onCancelClicked);
    connect(&m_engine, &SendEngine::playerChanged, this, &TransferWindow::showProgress);
    connect(&m_engine, &SendEngine::finished, this, [this] { end(m_engine.results().value(0)); });

    setFixedSize(sizeHint().expandedTo(QSize(px(7125), px(2145))));
    m_clock.start();
}

TransferWindow::~TransferWindow() = default;

QWidget *TransferWindow::createFileFrame()
{
    m_fileFrame = new QGroupBox;
    m_fileFrame->setObjectName(QStringLiteral("fileFrame"));

    m_nameValue = value("nameValue", QStringLiteral("Name"), 5655);
    // A long name must not widen the window.
    m_nameValue->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_lengthValue = value("lengthValue", QStringLiteral("Length"), 1455);
    m_byteCountValue = value("byteCountValue", QStringLiteral("Byte Count"), 1455);
    m_timeLeftValue = value("timeLeftValue", QStringLiteral("Time"), 975);

    m_progress = new QProgressBar;
    m_progress->setObjectName(QStringLiteral("progress"));
    m_progress->setAccessibleName(QStringLiteral("Progress"));
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_progress->setTextVisible(false);
    m_progress->setFixedHeight(px(255));

    auto *grid = new QGridLayout(m_fileFrame);
    grid->setHorizontalSpacing(px(105));
    grid->setVerticalSpacing(px(105));
    grid->addWidget(new QLabel(QStringLiteral("Name:")), 0, 0);
    grid->addWidget(m_nameValue, 0, 1, 1, 5);
    grid->addWidget(new QLabel(QStringLiteral("Length:")), 1, 0);
    grid->addWidget(m_lengthValue, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("Byte Count:")), 1, 2);
    grid->addWidget(m_byteCountValue, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("Time:")), 1, 4);
    grid->addWidget(m_timeLeftValue, 1, 5);
    grid->addWidget(new QLabel(QStringLiteral("Progress:")), 2, 0);
    grid->addWidget(m_progress, 2, 1, 1, 5);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    return m_fileFrame;
}

void TransferWindow::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (m_armed)
        return;
    m_armed = true;
    centreOnScreen(*this);
    m_startTimer->start();
}

QString TransferWindow::formatTimeLeft(qint64 seconds)
{
    const qint64 value = std::llabs(seconds);
    const auto twoDigits = [](qint64 n) { return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')); };
    return twoDigits(value / 3600) + u':' + twoDigits(value % 3600 / 60) + u':' + twoDigits(value % 60);
}

void TransferWindow::startSend()
{
    if (m_ended)
        return;
    showFile(0);
    m_started = m_engine.start(m_request);
    if (!m_started) {
        PlayerResult failed;
        failed.player = m_request.players.value(0);
        failed.state = PlayerResult::State::Failed;
        failed.errorNumber = CURLE_FAILED_INIT;
        failed.words = transferFailureWords(CURLE_FAILED_INIT, QStringLiteral("The send could not start."));
        end(failed);
    }
}

void TransferWindow::onCancelClicked()
{
    if (m_ended || m_cancelRequested)
        return;
    m_cancelRequested = true;
    m_cancelButton->setEnabled(false);
    m_startTimer->stop();
    if (m_started) {
        m_engine.cancel(); // its end follows as the engine's outcome
        return;
    }
    PlayerResult cancelled;
    cancelled.player = m_request.players.value(0);
    cancelled.state = PlayerResult::State::Failed;
    cancelled.errorNumber = CURLE_ABORTED_BY_CALLBACK;
    cancelled.words = transferCancelledWords();
    end(cancelled);
}

void TransferWindow::reject()
{
    onCancelClicked();
}

void TransferWindow::showProgress(int player)
{
    const PlayerResult &result = m_engine.results().at(player);
    if (m_ended || result.ended())
        return; // the end speaks for itself
    if (result.file != m_file && result.file >= 0)
        showFile(result.file);
    if (result.state == PlayerResult::State::LoggingOn)
        m_fileFrame->setTitle(QStringLiteral("Logon to ") + result.player.trimmed());
    if (result.state == PlayerResult::State::Sending && !m_cancelRequested) {
        m_fileFrame->setTitle(QStringLiteral("Uploading file"));
        m_cancelButton->setEnabled(true);
    }
    if (result.fileAcknowledged != m_bytesShown && result.fileAcknowledged > 0)
        showBytes(result.fileAcknowledged);
}

void TransferWindow::showFile(int index)
{
    if (index < 0 || index >= m_request.files.size())
        return;
    m_file = index;
    const SendFile &file = m_request.files[index];
    m_nameValue->setText(file.name());
    const QFileInfo local(file.localPath);
    m_fileLength = local.isFile() ? local.size() : 0;
    m_lengthValue->setText(local.isFile() ? QString::number(m_fileLength) : QString());
    m_byteCountValue->clear();
    m_bytesShown = -1;
    // A file's own progress: its rate starts again from nothing.
    m_averageRate = 0;
    m_startMs = m_clock.elapsed();
    m_progress->setValue(0);
    m_progress->show();
}

void TransferWindow::showBytes(qint64 bytes)
{
    m_bytesShown = bytes;
    if (m_fileLength == 0)
        return;
    m_progress->setValue(int(std::nearbyint(float(m_progress->maximum()) * float(bytes) / float(m_fileLength))));
    m_byteCountValue->setText(QString::number(bytes));

    const qint64 elapsedMs = std::max<qint64>(1, m_clock.elapsed() - m_startMs);
    const double rate = (double(bytes) / 1000.0) / (double(elapsedMs) / 1000.0);
    m_averageRate = std::max<qint64>(1, roundHalfEven((rate + double(m_averageRate)) / 2.0));
    const qint64 secondsLeft
        = roundHalfEven((double(m_fileLength) / 1000.0 - double(bytes) / 1024.0) / double(m_averageRate));
    m_timeLeftValue->setText(formatTimeLeft(secondsLeft));
    m_timeLeftValue->repaint();
    // The whole file is with the player: its bar goes until the next file.
    if (bytes >= m_fileLength)
        m_progress->hide();
}

void TransferWindow::end(const PlayerResult &outcome)
{
    if (m_ended)
        return;
    m_ended = true;
    m_startTimer->stop();
    m_cancelButton->setEnabled(false);
    m_outcome = outcome;
    if (m_onEnded)
        m_onEnded(outcome);
    if (outcome.state == PlayerResult::State::Failed)
        m_dialogs.exclamation(outcome.words);
    done(outcome.delivered() ? QDialog::Accepted : QDialog::Rejected);
}

} // namespace qvic
