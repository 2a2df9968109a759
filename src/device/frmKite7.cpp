#include "device/frmKite7.h"

#include <QPushButton>
#include <QVBoxLayout>

namespace qvic {

frmKite7::frmKite7(SharedState &state, OperatorDialogs &dialogs, QWidget *parent)
    : QDialog(parent), m_state(state), m_dialogs(dialogs)
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
