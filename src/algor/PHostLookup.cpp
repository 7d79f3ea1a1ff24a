#include "algor/PHostLookup.h"

#include <QMutex>
#include <QMutexLocker>

#include <thread>

#include <netdb.h>
#include <sys/socket.h>

// Shared by the owner and the lookup thread; the owner clears pOwner when it
// abandons the lookup, under the mutex the thread holds while it posts.
struct PHostLookup::Request
{
    QMutex mutex;
    PHostLookup* pOwner = nullptr;
};

PHostLookup::PHostLookup(QObject* pParent)
    : QObject(pParent)
    , m_resolver(&PHostLookup::Resolve)
{
}

PHostLookup::~PHostLookup()
{
    Abort();
}

void PHostLookup::Start(const QString& strName)
{
    Abort();
    m_strName = strName;
    auto pRequest = std::make_shared<Request>();
    pRequest->pOwner = this;
    m_pRequest = pRequest;
    std::thread([pRequest, resolver = m_resolver, name = strName.toUtf8()]() {
        Result result = resolver(name);
        QMutexLocker locker(&pRequest->mutex);
        PHostLookup* pOwner = pRequest->pOwner;
        if (!pOwner)
            return;
        // Posted while the owner is known to be alive; its destruction
        // drops the event if it comes first.
        QMetaObject::invokeMethod(
            pOwner,
            [pOwner, pRequest, result]() {
                if (pOwner->m_pRequest != pRequest)
                    return;
                pOwner->m_pRequest.reset();
                emit pOwner->Finished(result);
            },
            Qt::QueuedConnection);
    }).detach();
}

void PHostLookup::Abort()
{
    if (!m_pRequest)
        return;
    {
        QMutexLocker locker(&m_pRequest->mutex);
        m_pRequest->pOwner = nullptr;
    }
    m_pRequest.reset();
}

PHostLookup::Result PHostLookup::Resolve(const QByteArray& name)
{
    Result result;
    addrinfo hints {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* pList = nullptr;
    const int nError = ::getaddrinfo(name.constData(), nullptr, &hints, &pList);
    if (nError != 0) {
        result.error = (nError == EAI_NONAME
#ifdef EAI_NODATA
                           || nError == EAI_NODATA
#endif
                           )
            ? NotFound
            : Failed;
        return result;
    }
    for (const addrinfo* pInfo = pList; pInfo; pInfo = pInfo->ai_next) {
        const QHostAddress address(pInfo->ai_addr);
        if (!address.isNull() && !result.addresses.contains(address))
            result.addresses.append(address);
    }
    ::freeaddrinfo(pList);
    result.error = result.addresses.isEmpty() ? NotFound : NoError;
    return result;
}
