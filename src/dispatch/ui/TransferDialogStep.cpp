#include "dispatch/ui/TransferDialogStep.h"

#include "state/SharedState.h"
#include "dispatch/ui/frmTransferFTPFile.h"

namespace qvic {

TransferDialogStep::TransferDialogStep(SharedState &state, OperatorDialogs &dialogs, QWidget *parent)
    : m_state(state), m_dialogs(dialogs), m_parent(parent)
{
}

UploadResult TransferDialogStep::upload(const Upload &upload)
{
    m_state.strRemoteHost = upload.host;
    m_state.strLocalFile = upload.localName;
    m_state.strLocalPath = upload.localPath;
    m_state.strRemoteFile = upload.remoteFile;
    m_state.strTransferMode = QStringLiteral("UPLOAD");
    // Only this transfer's outcome may speak of success.
    m_state.blnTransferOK = false;
    UploadResult result;
    {
        frmTransferFTPFile dialog(m_state, m_dialogs, m_parent);
        dialog.setViaTemporaryName(upload.viaTemporaryName);
        dialog.exec();
        result.errorNumber = dialog.failureNumber();
        result.words = dialog.failureWords();
        result.toldOperator = !result.words.isEmpty();
    }
    result.sent = m_state.blnTransferOK;
    return result;
}

} // namespace qvic
