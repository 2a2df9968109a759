#include "device/frmKite7.h"

#include "app/frmQV7IC.h"

#include <QPushButton>
#include <QVBoxLayout>

namespace qvic {

frmKite7::frmKite7(SharedState &state, OperatorDialogs &dialogs, frmQV7IC &mainWindow)
    : QDialog(&mainWindow), m_state(state), m_dialogs(dialogs), m_mainWindow(mainWindow)
{
    setObjectName(QStringLiteral("frmKite7"));
    setWindowTitle(QStringLiteral("Kite-7 Settings"));
    auto *done = new QPushButton(QStringLiteral("Done"));
    done->setObjectName(QStringLiteral("btnDone"));
    connect(done, &QPushButton::clicked, this, &QDialog::accept);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(done);
}

} // namespace qvic
