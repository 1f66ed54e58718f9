#pragma once

#include <QList>
#include <QMap>
#include <QObject>
#include <QSslError>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariantMap>

class NetworkResponse;
class NetworkStatus;
class QAuthenticator;
class QEventLoop;
class QIODevice;
class QNetworkAccessManager;
class QNetworkProxy;
class QNetworkReply;

// The program's one HTTP(S) client. A call without a response object waits
// in a nested event loop and returns the decoded reply; with one it returns
// an empty map at once and reports to the object later. Every failure is an
// empty map. A 1000 ms timer aborts calls past their deadline.
class NetworkManager : public QObject
{
    Q_OBJECT

public:
    enum CallType { GET = 0, PUT = 1, POST = 2, DELETE = 3 };

    struct CallRecord
    {
        qint64 deadline = 0; // ms since the epoch
        QIODevice* body = nullptr;
        NetworkResponse* response = nullptr;
        QEventLoop* loop = nullptr;
    };

    ~NetworkManager() override;

    static NetworkManager* instance();
    // The manager if one was made, without making one.
    static NetworkManager* existing();

    QVariantMap get(QUrl url, const QVariantMap& params, int timeout, NetworkResponse* response = nullptr);
    QVariantMap put(QUrl url, const QVariantMap& body, int timeout, NetworkResponse* response = nullptr);
    QVariantMap post(QUrl url, const QVariantMap& body, int timeout, NetworkResponse* response = nullptr);
    QVariantMap deleteResource(QUrl url, const QVariantMap& body, int timeout, NetworkResponse* response = nullptr);

    // Aborts the first call to url; with a response, only a call that also
    // reports to that response.
    void abort(QUrl url, NetworkResponse* response);
    // Ends every call in flight; each caller learns that its call failed.
    void abortAll();

    void addStatusListener(NetworkStatus* listener);
    void removeStatusListener(NetworkStatus* listener);

    QStringList localAddresses() const;
    QVariantMap decodeReply(QNetworkReply* reply);

    // Name of the error of the last failed reply; empty for codes without one.
    QString lastError() const { return errorName; }
    void setError(int code);

    int callsInFlight() const { return calls.size(); }

    static QUrl withParams(const QUrl& url, const QVariantMap& params);

protected slots:
    void inetFinished(QNetworkReply* reply);
    void inetAccessible(bool accessible);
    void inetOnline(bool isOnline);
    void inetProgress(qint64 bytesReceived, qint64 bytesTotal);
    // Aborts a reply as soon as what has arrived passes its body's bound.
    void inetReadyRead();
    void inetProxyAuth(const QNetworkProxy& proxy, QAuthenticator* pAuth);
    void inetSSLErrors(QNetworkReply* pReply, const QList<QSslError>& errors);

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    NetworkManager();
    QVariantMap _callInternet(CallType type, QUrl url, const QVariantMap& body, int timeout,
                              NetworkResponse* response);
    // Takes a call's record out of the map and frees its body device.
    bool takeCall(QNetworkReply* reply, CallRecord& record);
    // Removes a call's record, if still there, and tells its caller that
    // the call failed.
    void dropCall(QNetworkReply* reply, const QUrl& url);

    int timerId = 0;
    QList<NetworkStatus*> listeners;
    QMap<QNetworkReply*, CallRecord> calls;
    QNetworkAccessManager* access = nullptr;
    QString errorName;
    int state = 0;
};

void osNameAndVersion(QString& name, QString& version);
