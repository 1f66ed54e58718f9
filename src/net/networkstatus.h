#pragma once

class QAuthenticator;
class QNetworkProxy;

// Listener for the network client's view of the network state and for proxy
// credential requests. The client does not own it.
class NetworkStatus
{
public:
    virtual void netAccessible(bool accessible) = 0;
    virtual void netOnline(bool online) = 0;
    // True when this listener answered the request; no other is asked then.
    virtual bool netProxyAuth(const QNetworkProxy& proxy, QAuthenticator* auth) = 0;

protected:
    ~NetworkStatus() = default;
};
