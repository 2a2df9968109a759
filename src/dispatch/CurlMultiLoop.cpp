#include "dispatch/CurlMultiLoop.h"

#include <QSocketNotifier>

#include <algorithm>

namespace qvic {

CurlMultiLoop::CurlMultiLoop(QObject *parent) : QObject(parent), m_timer(this)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] { act(CURL_SOCKET_TIMEOUT, 0); });
    createMulti();
}

CurlMultiLoop::~CurlMultiLoop()
{
    // Closing the kept connections may still call back onSocket().
    m_multi.reset();
}

void CurlMultiLoop::createMulti()
{
    m_multi.reset(curl_multi_init());
    if (!m_multi)
        return;
    CURLM *multi = m_multi.get();
    curl_multi_setopt(multi, CURLMOPT_SOCKETFUNCTION, &CurlMultiLoop::onSocket);
    curl_multi_setopt(multi, CURLMOPT_SOCKETDATA, this);
    curl_multi_setopt(multi, CURLMOPT_TIMERFUNCTION, &CurlMultiLoop::onTimer);
    curl_multi_setopt(multi, CURLMOPT_TIMERDATA, this);
    if (m_maxConnections > 0)
        curl_multi_setopt(multi, CURLMOPT_MAXCONNECTS, m_maxConnections);
}

bool CurlMultiLoop::add(CURL *easy)
{
    return m_multi && curl_multi_add_handle(m_multi.get(), easy) == CURLM_OK;
}

void CurlMultiLoop::remove(CURL *easy)
{
    if (m_multi)
        curl_multi_remove_handle(m_multi.get(), easy);
}

void CurlMultiLoop::setMaxConnections(long connections)
{
    m_maxConnections = connections;
    if (m_multi)
        curl_multi_setopt(m_multi.get(), CURLMOPT_MAXCONNECTS, connections);
}

void CurlMultiLoop::closeConnections()
{
    m_timer.stop();
    createMulti();
    for (auto &[socket, watch] : m_watches) {
        drop(watch.read);
        drop(watch.write);
    }
    m_watches.clear();
}

void CurlMultiLoop::act(curl_socket_t socket, int events)
{
    if (!m_multi)
        return;
    int running = 0;
    curl_multi_socket_action(m_multi.get(), socket, events, &running);
    reportDone();
}

void CurlMultiLoop::reportDone()
{
    int queued = 0;
    // A receiver may add and remove transfers; each round asks libcurl afresh.
    while (CURLMsg *message = curl_multi_info_read(m_multi.get(), &queued))
        if (message->msg == CURLMSG_DONE)
            emit done(message->easy_handle, message->data.result);
}

void CurlMultiLoop::watch(curl_socket_t socket, int what)
{
    Watch &watch = m_watches[socket];
    const bool wantRead = what == CURL_POLL_IN || what == CURL_POLL_INOUT;
    const bool wantWrite = what == CURL_POLL_OUT || what == CURL_POLL_INOUT;
    if (wantRead && !watch.read) {
        watch.read = new QSocketNotifier(qintptr(socket), QSocketNotifier::Read, this);
        connect(watch.read, &QSocketNotifier::activated, this,
                [this, socket] { act(socket, CURL_CSELECT_IN); });
    }
    if (wantWrite && !watch.write) {
        watch.write = new QSocketNotifier(qintptr(socket), QSocketNotifier::Write, this);
        connect(watch.write, &QSocketNotifier::activated, this,
                [this, socket] { act(socket, CURL_CSELECT_OUT); });
    }
    if (!wantRead)
        drop(watch.read);
    if (!wantWrite)
        drop(watch.write);
}

void CurlMultiLoop::drop(QSocketNotifier *&notifier)
{
    if (!notifier)
        return;
    // libcurl may close the socket while its notifier is on the stack, and the
    // next socket may get the same number: silence it now, delete it later.
    notifier->setEnabled(false);
    notifier->deleteLater();
    notifier = nullptr;
}

int CurlMultiLoop::onSocket(CURL *, curl_socket_t socket, int what, void *loop, void *)
{
    auto *self = static_cast<CurlMultiLoop *>(loop);
    if (what == CURL_POLL_REMOVE) {
        const auto found = self->m_watches.find(socket);
        if (found != self->m_watches.end()) {
            self->drop(found->second.read);
            self->drop(found->second.write);
            self->m_watches.erase(found);
        }
    } else {
        self->watch(socket, what);
    }
    return 0;
}

int CurlMultiLoop::onTimer(CURLM *, long timeoutMs, void *loop)
{
    auto *self = static_cast<CurlMultiLoop *>(loop);
    // libcurl must not be called from inside this callback; a zero wait runs
    // on the next turn of the event loop.
    if (timeoutMs < 0)
        self->m_timer.stop();
    else
        self->m_timer.start(int(std::min<long>(timeoutMs, 24L * 3600 * 1000)));
    return 0;
}

} // namespace qvic
