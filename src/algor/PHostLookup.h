#pragma once

#include <QHostAddress>
#include <QList>
#include <QObject>

#include <functional>
#include <memory>

// Looks a host name up on a thread of its own that nobody waits for. A
// resolver may take seconds to give up and cannot be interrupted; Qt's own
// lookups are waited for when the application ends, so a stop during one
// would wait too. An abandoned lookup runs to its end and its result is
// dropped. The object and its result live on the owner's thread.
class PHostLookup final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(PHostLookup)
public:
    enum Error { NoError, NotFound, Failed };
    struct Result
    {
        QList<QHostAddress> addresses;
        Error error = NotFound;
    };
    // Runs on the lookup thread: it must not touch the program's objects.
    using Resolver = std::function<Result(const QByteArray& name)>;

    explicit PHostLookup(QObject* pParent = nullptr);
    ~PHostLookup() override;

    // For tests; the default asks the system resolver.
    void SetResolver(Resolver resolver) { m_resolver = std::move(resolver); }

    // Abandons any lookup still running.
    void Start(const QString& strName);
    void Abort();
    bool IsPending() const { return m_pRequest != nullptr; }
    QString Name() const { return m_strName; }

    // The system resolver: every stream address of the name, in its order.
    static Result Resolve(const QByteArray& name);

signals:
    void Finished(const PHostLookup::Result& result);

private:
    struct Request;

    Resolver m_resolver;
    std::shared_ptr<Request> m_pRequest;
    QString m_strName;
};
