#pragma once

#include "dispatch/FtpClient.h"

#include <QObject>
#include <QTimer>

#include <unordered_map>

#include <curl/curl.h>

class QSocketNotifier;

namespace qvic {

// One libcurl multi handle driven by the Qt event loop of the thread it lives
// in: libcurl names the sockets it waits on and the time it wants to be called
// back (CURLMOPT_SOCKETFUNCTION, CURLMOPT_TIMERFUNCTION); socket notifiers and
// a single-shot timer call it when either comes. No polling, no busy loop.
class CurlMultiLoop : public QObject
{
    Q_OBJECT

public:
    explicit CurlMultiLoop(QObject *parent = nullptr);
    ~CurlMultiLoop() override;

    // Starts a transfer; its end comes as done(). False when libcurl refuses it.
    bool add(CURL *easy);
    // Ends a transfer early, or takes a finished one out; done() does not follow.
    void remove(CURL *easy);
    // Connections kept for reuse after their transfer, at most.
    void setMaxConnections(long connections);
    // Closes the connections kept for reuse. Only while no transfer runs.
    void closeConnections();

signals:
    // A transfer ended; its handle is still in the multi handle until remove().
    void done(CURL *easy, CURLcode result);

private:
    struct Watch
    {
        QSocketNotifier *read = nullptr;
        QSocketNotifier *write = nullptr;
    };

    void createMulti();
    void act(curl_socket_t socket, int events);
    void watch(curl_socket_t socket, int what);
    void drop(QSocketNotifier *&notifier);
    void reportDone();

    static int onSocket(CURL *easy, curl_socket_t socket, int what, void *loop, void *socketData);
    static int onTimer(CURLM *multi, long timeoutMs, void *loop);

    CurlMulti m_multi;
    long m_maxConnections = 0;
    QTimer m_timer; // a child, so it moves with this object to its thread
    std::unordered_map<curl_socket_t, Watch> m_watches;
};

} // namespace qvic
