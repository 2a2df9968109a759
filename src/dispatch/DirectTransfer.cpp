#include "dispatch/DirectTransfer.h"

#include <QFileInfo>

namespace qvic {

UploadResult DirectTransfer::upload(const Upload &upload)
{
    UploadResult result;
    try {
        const QFileInfo local(upload.localPath);
        if (!local.isFile())
            throw FtpError(ftperror::LocalFileMissing, QStringLiteral("File not found: %1").arg(upload.localPath));
        // An empty file has nothing to send: it counts as sent, as in the transfer window.
        if (local.size() != 0) {
            FtpClient client;
            client.setTimeLimits(m_limits);
            client.Host = upload.host;
            client.UserName = upload.user;
            client.Password = upload.password;
            client.LogOn();
            bool finished = false;
            QObject::connect(&client, &FtpClient::TransferFinished, [&finished] { finished = true; });
            client.RemoteFile = upload.remoteFile;
            client.LocalFile = upload.localPath;
            client.ViaTemporaryName = upload.viaTemporaryName;
            client.SendFile();
            while (!finished)
                client.ServiceEvents();
            client.PutInPlace();
            client.LogOff();
        }
        result.sent = true;
    } catch (const FtpError &error) {
        result.errorNumber = error.number();
        result.words = transferFailureWords(error.number(), error.description());
    }
    return result;
}

} // namespace qvic
