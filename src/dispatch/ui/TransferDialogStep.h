#pragma once

#include "dispatch/Delivery.h"

class QWidget;

namespace qvic {

class OperatorDialogs;
struct SharedState;

// An upload through the "Transferring File" window: the request goes into the
// shared state's transfer fields, the window runs modally, reports any failure
// itself, and leaves its result in blnTransferOK. The result carries the words
// it showed, marked as told.
class TransferDialogStep : public TransferStep
{
public:
    TransferDialogStep(SharedState &state, OperatorDialogs &dialogs, QWidget *parent);
    UploadResult upload(const Upload &upload) override;

private:
    SharedState &m_state;
    OperatorDialogs &m_dialogs;
    QWidget *m_parent;
};

} // namespace qvic
