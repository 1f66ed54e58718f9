#include "net/networkmanager.h"

#include "base/version.h"
#include "net/networkresponse.h"
#include "net/networkstatus.h"
#include "net/replydecoder.h"

#include <QAuthenticator>
#include <QBuffer>
#include <QDateTime>
#include <QDebug>
#include <QEventLoop>
#include <QHostAddress>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkInterface>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QSysInfo>
#include <QTimerEvent>

namespace {

const int deadlineCheckMs = 1000;
// Progress of small replies is not worth a report.
const qint64 progressThreshold = 4096;

struct ErrorName
{
    int code;
    const char* name;
};

const ErrorName errorNames[] = {
    {1, "ConnectionRefusedError"},
    {2, "RemoteHostClosedError"},
    {3, "HostNotFoundError"},
    {4, "TimeoutError"},
    {5, "OperationCanceledError"},
    {6, "SslHandshakeFailedError"},
    {7, "TemporaryNetworkFailureError"},
    {99, "UnknownNetworkError"},
    {101, "ProxyConnectionRefusedError"},
    {102, "ProxyConnectionClosedError"},
    {103, "ProxyNotFoundError"},
    {104, "ProxyTimeoutError"},
    {105, "ProxyAuthenticationRequiredError"},
    {199, "UnknownProxyError"},
    {201, "ContentAccessDenied"},
    {202, "ContentOperationNotPermittedError"},
    {203, "ContentNotFoundError"},
    {204, "AuthenticationRequiredError"},
    {205, "ContentReSendError"},
    {299, "UnknownContentError"},
    {301, "ProtocolUnknownError"},
    {302, "ProtocolInvalidOperationError"},
    {399, "ProtocolFailure"},
};

NetworkManager* theManager = nullptr;

} // namespace

NetworkManager::NetworkManager()
{
    access = new QNetworkAccessManager;
    connect(access, &QNetworkAccessManager::finished, this, &NetworkManager::inetFinished);
    inetAccessible(true);
    connect(access, &QNetworkAccessManager::proxyAuthenticationRequired, this, &NetworkManager::inetProxyAuth);
    connect(access, &QNetworkAccessManager::sslErrors, this, &NetworkManager::inetSSLErrors);
    inetOnline(true);
    timerId = startTimer(deadlineCheckMs, Qt::CoarseTimer);
}

NetworkManager::~NetworkManager()
{
    killTimer(timerId);
    abortAll();
    delete access;
}

NetworkManager* NetworkManager::instance()
{
    if (!theManager)
        theManager = new NetworkManager;
    return theManager;
}

NetworkManager* NetworkManager::existing()
{
    return theManager;
}

QUrl NetworkManager::withParams(const QUrl& url, const QVariantMap& params)
{
    if (params.isEmpty())
        return url;
    // Keys and values are encoded so that "&", "=", "#" or blanks in them
    // cannot change the query's structure.
    QByteArray query = url.query(QUrl::FullyEncoded).toLatin1();
    for (auto it = params.constBegin(); it != params.constEnd(); ++it) {
        query += '&';
        query += QUrl::toPercentEncoding(it.key());
        query += '=';
        query += QUrl::toPercentEncoding(it.value().toString());
    }
    QUrl result(url);
    result.setQuery(QString::fromLatin1(query), QUrl::StrictMode);
    return result;
}

QVariantMap NetworkManager::get(QUrl url, const QVariantMap& params, int timeout, NetworkResponse* response)
{
    return _callInternet(GET, withParams(url, params), QVariantMap(), timeout, response);
}

QVariantMap NetworkManager::put(QUrl url, const QVariantMap& body, int timeout, NetworkResponse* response)
{
    return _callInternet(PUT, url, body, timeout, response);
}

QVariantMap NetworkManager::post(QUrl url, const QVariantMap& body, int timeout, NetworkResponse* response)
{
    return _callInternet(POST, url, body, timeout, response);
}

QVariantMap NetworkManager::deleteResource(QUrl url, const QVariantMap& body, int timeout, NetworkResponse* response)
{
    return _callInternet(DELETE, url, body, timeout, response);
}

QVariantMap NetworkManager::_callInternet(CallType type, QUrl url, const QVariantMap& body, int timeout,
                                          NetworkResponse* response)
{
    QNetworkRequest request(url);
    request.setRawHeader("User-Agent", QStringLiteral("Brennick Layora %1").arg(QLatin1String(Version::fullText)).toLatin1());
    // Asking for the encoding ourselves makes the access manager hand gzip
    // bodies over still encoded; decodeReply inflates them.
    request.setRawHeader("Accept-Encoding", "gzip");

    QByteArray data;
    if (type != GET) {
        request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
        data = QJsonDocument(QJsonObject::fromVariantMap(body)).toJson(QJsonDocument::Compact);
    }

    QNetworkReply* reply = nullptr;
    QBuffer* bodyDevice = nullptr;
    switch (type) {
    case GET:
        reply = access->get(request);
        break;
    case PUT:
        reply = access->put(request, data);
        break;
    case POST:
        reply = access->post(request, data);
        break;
    case DELETE:
        bodyDevice = new QBuffer;
        bodyDevice->setData(data);
        bodyDevice->open(QIODevice::ReadOnly);
        reply = access->sendCustomRequest(request, "DELETE", bodyDevice);
        break;
    }
    if (!reply) {
        delete bodyDevice;
        qDebug("NetworkManager: no reply");
        return QVariantMap();
    }

    CallRecord record;
    record.deadline = QDateTime::currentMSecsSinceEpoch() + qint64(timeout) * 1000;
    record.body = bodyDevice;
    // The access manager holds the whole body until the reply ends: a
    // server that never stops sending would fill memory long before the
    // deadline.
    connect(reply, &QNetworkReply::readyRead, this, &NetworkManager::inetReadyRead);

    if (!response) {
        QEventLoop loop;
        record.loop = &loop;
        calls.insert(reply, record);
        QPointer<QNetworkReply> guard(reply);
        const int code = loop.exec();
        // The loop can also end from outside (the application quitting):
        // then the record still points at this loop and must go.
        auto it = calls.find(reply);
        if (it != calls.end() && it->loop == &loop) {
            CallRecord left = it.value();
            calls.erase(it);
            if (guard) {
                reply->abort();
                reply->deleteLater();
            }
            delete left.body;
            return QVariantMap();
        }
        if (code != 0 || !guard || !reply->isFinished())
            return QVariantMap();
        return decodeReply(reply);
    }

    record.response = response;
    calls.insert(reply, record);
    connect(reply, &QNetworkReply::downloadProgress, this, &NetworkManager::inetProgress);
    return QVariantMap();
}

void NetworkManager::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != timerId) {
        QObject::timerEvent(event);
        return;
    }
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    const QList<QNetworkReply*> replies = calls.keys();
    for (QNetworkReply* reply : replies) {
        auto it = calls.find(reply);
        // A callback run by an earlier abort may have ended this call too.
        if (it == calls.end() || it->deadline >= now)
            continue;
        const QUrl url = reply->request().url();
        reply->abort();
        dropCall(reply, url);
        reply->deleteLater();
        qDebug("TIMEOUT: removed %p", static_cast<void*>(reply));
    }
}

void NetworkManager::inetFinished(QNetworkReply* reply)
{
    disconnect(reply, &QNetworkReply::downloadProgress, this, &NetworkManager::inetProgress);
    CallRecord record;
    if (!takeCall(reply, record))
        return;
    if (record.loop) {
        record.loop->exit(0);
    } else if (record.response) {
        const QUrl url = reply->request().url();
        const QVariantMap map = decodeReply(reply);
        if (reply->error() != QNetworkReply::NoError)
            record.response->netError(url, errorName);
        record.response->netFinished(url, map);
    }
}

void NetworkManager::abort(QUrl url, NetworkResponse* response)
{
    QNetworkReply* target = nullptr;
    for (auto it = calls.constBegin(); it != calls.constEnd(); ++it) {
        if (it.key()->request().url() == url && (!response || it->response == response)) {
            target = it.key();
            break;
        }
    }
    if (!target)
        return;
    target->abort();
    dropCall(target, url);
    target->deleteLater();
}

bool NetworkManager::takeCall(QNetworkReply* reply, CallRecord& record)
{
    auto it = calls.find(reply);
    if (it == calls.end())
        return false;
    record = it.value();
    calls.erase(it);
    delete record.body;
    record.body = nullptr;
    return true;
}

void NetworkManager::dropCall(QNetworkReply* reply, const QUrl& url)
{
    CallRecord record;
    if (!takeCall(reply, record))
        return;
    if (record.loop)
        record.loop->exit(1);
    else if (record.response)
        record.response->netFinished(url, QVariantMap());
}

void NetworkManager::abortAll()
{
    QList<QPair<QUrl, NetworkResponse*>> toTell;
    const QList<QNetworkReply*> replies = calls.keys();
    for (QNetworkReply* reply : replies) {
        CallRecord record;
        if (!takeCall(reply, record))
            continue;
        if (record.loop)
            record.loop->exit(1);
        else if (record.response)
            toTell.append(qMakePair(reply->request().url(), record.response));
        reply->abort();
        qDebug("ABORT: removed %p", static_cast<void*>(reply));
        reply->deleteLater();
    }
    // Told only once every record is gone, so a caller that starts a new
    // call from its callback does not see it ended too.
    for (const auto& entry : toTell)
        entry.second->netFinished(entry.first, QVariantMap());
}

void NetworkManager::inetProgress(qint64 bytesReceived, qint64 bytesTotal)
{
    if (!(bytesTotal > progressThreshold || (bytesTotal == -1 && bytesReceived > progressThreshold)))
        return;
    QNetworkReply* reply = qobject_cast<QNetworkReply*>(sender());
    if (!reply)
        return;
    auto it = calls.constFind(reply);
    if (it == calls.constEnd() || !it->response)
        return;
    it->response->netProgress(reply->request().url(), bytesReceived, bytesTotal);
}

void NetworkManager::inetReadyRead()
{
    QNetworkReply* reply = qobject_cast<QNetworkReply*>(sender());
    if (!reply || !calls.contains(reply))
        return;
    const int limit = ReplyDecoder::bodyLimit(reply->header(QNetworkRequest::ContentTypeHeader).toByteArray());
    if (reply->bytesAvailable() <= limit)
        return;
    qDebug("NetworkManager: reply passed %d bytes, aborted", limit);
    // Ends the call through inetFinished, as a failure.
    reply->abort();
}

void NetworkManager::setError(int code)
{
    errorName.clear();
    for (const ErrorName& entry : errorNames) {
        if (entry.code == code) {
            errorName = QString::fromLatin1(entry.name);
            return;
        }
    }
}

QVariantMap NetworkManager::decodeReply(QNetworkReply* reply)
{
    if (!reply)
        return QVariantMap();
    reply->deleteLater();
    if (reply->error() != QNetworkReply::NoError) {
        qDebug("NetworkManager::decodeReply: Error is %d", int(reply->error()));
        setError(reply->error());
        return QVariantMap();
    }
    // Redirects are not followed, and their body is not the server's answer.
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid() && (status.toInt() < 200 || status.toInt() > 299)) {
        qDebug("NetworkManager::decodeReply: Status is %d", status.toInt());
        errorName.clear();
        return QVariantMap();
    }
    const QByteArray type = reply->header(QNetworkRequest::ContentTypeHeader).toByteArray();
    // One byte past the limit is enough for the decoder to refuse the body.
    const qint64 readable = qMin(reply->bytesAvailable(), qint64(ReplyDecoder::bodyLimit(type)) + 1);
    return ReplyDecoder::decode(type, reply->rawHeader("Content-Encoding"), reply->rawHeader("Content-Disposition"),
                                reply->read(readable));
}

void NetworkManager::addStatusListener(NetworkStatus* listener)
{
    if (!listener)
        return;
    listeners.append(listener);
    listener->netAccessible(state != 0);
    listener->netOnline(state == 2);
}

void NetworkManager::removeStatusListener(NetworkStatus* listener)
{
    if (listener)
        listeners.removeAll(listener);
}

void NetworkManager::inetAccessible(bool accessible)
{
    if (!accessible)
        state = 0;
    else if (state != 2)
        state = 1;
    qDebug() << "NetworkManager::Internet" << (accessible ? "is" : "not") << "accessible";
    for (NetworkStatus* listener : qAsConst(listeners))
        listener->netAccessible(accessible);
}

void NetworkManager::inetOnline(bool isOnline)
{
    if (state != 0)
        state = isOnline ? 2 : 1;
    qDebug() << "NetworkManager::Internet" << (isOnline ? "is" : "not") << "online";
    for (NetworkStatus* listener : qAsConst(listeners))
        listener->netOnline(isOnline);
}

void NetworkManager::inetProxyAuth(const QNetworkProxy& proxy, QAuthenticator* pAuth)
{
    for (NetworkStatus* listener : qAsConst(listeners)) {
        if (listener->netProxyAuth(proxy, pAuth))
            return;
    }
}

void NetworkManager::inetSSLErrors(QNetworkReply* pReply, const QList<QSslError>& errors)
{
    Q_UNUSED(pReply)
    // The errors are not ignored: the reply then fails.
    QString text = QStringLiteral("SSLError: ");
    for (const QSslError& error : errors)
        text += error.errorString() + QLatin1Char('\n');
    qDebug().noquote() << text;
}

QStringList NetworkManager::localAddresses() const
{
    QStringList result;
    const QList<QHostAddress> addresses = QNetworkInterface::allAddresses();
    for (const QHostAddress& address : addresses) {
        if (address == QHostAddress::LocalHost || address == QHostAddress::LocalHostIPv6
            || address == QHostAddress::Broadcast || address == QHostAddress::Any
            || address == QHostAddress::AnyIPv6)
            continue;
        result.append(address.toString());
    }
    return result;
}

void osNameAndVersion(QString& name, QString& version)
{
    name = QSysInfo::productType();
    version = QSysInfo::productVersion();
}
