#include "dispatch/FtpFailure.h"

namespace qvic {

int ftpFailureNumber(CURLcode code, long reply, bool loggedOn)
{
    if (!loggedOn)
        return ftperror::LogonRefused;
    switch (code) {
    case CURLE_LOGIN_DENIED:
        return ftperror::LogonRefused;
    case CURLE_REMOTE_ACCESS_DENIED:
    case CURLE_REMOTE_FILE_NOT_FOUND:
        return ftperror::RemoteFileRefused;
    case CURLE_UPLOAD_FAILED:
        if (reply == 550 || reply == 553)
            return ftperror::RemoteFileRefused;
        break;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_CONNECT:
    case CURLE_FTP_CANT_GET_HOST:
    case CURLE_FTP_ACCEPT_TIMEOUT:
    case CURLE_PARTIAL_FILE:
    case CURLE_OPERATION_TIMEDOUT:
    case CURLE_GOT_NOTHING:
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
        return ftperror::NotConnected;
    default:
        break;
    }
    return code;
}

QString transferFailureWords(int errorNumber, const QString &description)
{
    switch (errorNumber) {
    case ftperror::LogonRefused:
        return QStringLiteral("Can't logon to this IP Address");
    case ftperror::RemoteFileRefused:
        return QStringLiteral("Can't find the transferred file.\r\nTransferring process is cancelled.");
    case ftperror::NotConnected:
        return QStringLiteral("The IP Address is not connected.");
    default:
        return QStringLiteral("Error transferring file.\r\nFTP Error: %1\r\nErr Desp: %2").arg(errorNumber).arg(description);
    }
}

QString transferCancelledWords()
{
    return QStringLiteral("Transferring process is cancelled.");
}

} // namespace qvic
