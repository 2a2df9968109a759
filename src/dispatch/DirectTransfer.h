#pragma once

#include "dispatch/Delivery.h"
#include "dispatch/FtpClient.h"

namespace qvic {

// An upload without a window: logs on, sends the file and logs off with the
// FTP client's own time limits, and gives a failure in the program's words.
class DirectTransfer : public TransferStep
{
public:
    UploadResult upload(const Upload &upload) override;

    // Tests shorten the client's time limits.
    void setTimeLimits(const FtpClient::TimeLimits &limits) { m_limits = limits; }

private:
    FtpClient::TimeLimits m_limits;
};

} // namespace qvic
