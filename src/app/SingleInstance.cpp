// SPDX-License-Identifier: GPL-3.0-or-later
#include "SingleInstance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace miravo {

namespace {

constexpr char Answer[] = "ok\n";
constexpr char RequestStart[] = "show\n";
// A client that sends nothing is dropped after this long, so it cannot hold a descriptor for ever.
constexpr int ClientTimeoutMs = 2000;
const QByteArray TokenNames[] = {QByteArrayLiteral("DESKTOP_STARTUP_ID"), QByteArrayLiteral("XDG_ACTIVATION_TOKEN")};

bool toAddress(const QString& path, sockaddr_un& address)
{
    const QByteArray local = QFile::encodeName(path);
    address = sockaddr_un{};
    address.sun_family = AF_UNIX;
    if (local.size() >= static_cast<qsizetype>(sizeof(address.sun_path)))
        return false;
    std::memcpy(address.sun_path, local.constData(), static_cast<size_t>(local.size()));
    return true;
}

bool waitFor(int fd, short events, const QDeadlineTimer& deadline)
{
    pollfd entry{fd, events, 0};
    for (;;) {
        const int result = ::poll(&entry, 1, static_cast<int>(qMax<qint64>(0, deadline.remainingTime())));
        if (result > 0)
            return true;
        if (result == 0 || errno != EINTR)
            return false;
    }
}

// One later start's connection: reads its request up to the end (or MaxRequestBytes), answers and closes.
class Client final : public QObject {
public:
    Client(int fd, SingleInstance* owner, std::function<void(const QByteArray&)> deliver)
        : QObject(owner)
        , m_fd(fd)
        , m_notifier(fd, QSocketNotifier::Read)
        , m_deliver(std::move(deliver))
    {
        connect(&m_notifier, &QSocketNotifier::activated, this, &Client::read);
        m_timeout.setSingleShot(true);
        connect(&m_timeout, &QTimer::timeout, this, &Client::drop);
        m_timeout.start(ClientTimeoutMs);
    }
    ~Client() override { ::close(m_fd); }

private:
    void read()
    {
        char buffer[1024];
        const ssize_t got = ::recv(m_fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (got < 0 && (errno == EAGAIN || errno == EINTR))
            return;
        if (got > 0) {
            m_request.append(buffer, got);
            if (m_request.size() <= SingleInstance::MaxRequestBytes)
                return;
            drop();
            return;
        }
        // The end of the request (or a failed connection: nothing to take). Only a start's request is taken:
        // a connection that closes without one (a check whether the program runs) changes nothing.
        m_notifier.setEnabled(false);
        if (got == 0 && m_request.startsWith(RequestStart)) {
            [[maybe_unused]] const ssize_t sent = ::send(m_fd, Answer, sizeof Answer - 1, MSG_NOSIGNAL | MSG_DONTWAIT);
            const QByteArray request = m_request;
            auto deliver = m_deliver;
            deleteLater();
            deliver(request);
            return;
        }
        drop();
    }

    void drop()
    {
        m_notifier.setEnabled(false);
        deleteLater();
    }

    int m_fd;
    QSocketNotifier m_notifier;
    QTimer m_timeout;
    QByteArray m_request;
    std::function<void(const QByteArray&)> m_deliver;
};

} // namespace

QString SingleInstance::socketPathFor(const QString& runtimeFolder, const QString& dataFolder)
{
    // The data folder as one name: the same folder by any spelling (a trailing slash, a link) gives the same.
    const QString canonical = QDir(dataFolder).canonicalPath();
    const QString folder = canonical.isEmpty() ? QDir::cleanPath(QDir(dataFolder).absolutePath()) : canonical;
    const QByteArray hash = QCryptographicHash::hash(QFile::encodeName(folder), QCryptographicHash::Sha256).toHex();
    return QDir(runtimeFolder).filePath(QStringLiteral("MiravoDialer-") + QString::fromLatin1(hash.left(16)));
}

SingleInstance::SingleInstance(QString socketPath, QObject* parent)
    : QObject(parent)
    , m_socketPath(std::move(socketPath))
{}

SingleInstance::~SingleInstance()
{
    stopListening();
}

SingleInstance::Role SingleInstance::claim(const QByteArray& request, int answerTimeoutMs)
{
    sockaddr_un address;
    if (!toAddress(m_socketPath, address)) {
        m_error = QStringLiteral("the socket path %1 is too long").arg(m_socketPath);
        return Role::Alone;
    }
    // Two starts at once: the lock lets one of them find no program, listen, and the other find it.
    QLockFile lock(m_socketPath + QStringLiteral(".lock"));
    lock.setStaleLockTime(0);
    if (!lock.tryLock(answerTimeoutMs)) {
        m_error = QStringLiteral("cannot lock %1").arg(lock.fileName());
        return Role::Alone;
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        m_error = QString::fromLocal8Bit(std::strerror(errno));
        return Role::Alone;
    }
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
        return handOver(fd, request, answerTimeoutMs);
    ::close(fd);
    // No program answers there: a socket file left by one that was killed is taken over.
    ::unlink(address.sun_path);
    return listen() ? Role::First : Role::Alone;
}

SingleInstance::Role SingleInstance::handOver(int fd, const QByteArray& request, int answerTimeoutMs)
{
    const QDeadlineTimer deadline(answerTimeoutMs);
    qsizetype sent = 0;
    while (sent < request.size()) {
        if (!waitFor(fd, POLLOUT, deadline))
            break;
        const ssize_t n = ::send(fd, request.constData() + sent, static_cast<size_t>(request.size() - sent),
                                 MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            break;
        if (n > 0)
            sent += n;
    }
    ::shutdown(fd, SHUT_WR);
    QByteArray answer;
    while (sent == request.size() && answer.size() < qsizetype(sizeof Answer - 1) && waitFor(fd, POLLIN, deadline)) {
        char buffer[16];
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR))
            break;
        if (n > 0)
            answer.append(buffer, n);
    }
    ::close(fd);
    if (answer == Answer)
        return Role::Second;
    m_error =
        QStringLiteral("a MiravoDialer for this data folder is running but does not answer (%1)").arg(m_socketPath);
    return Role::Unanswered;
}

bool SingleInstance::listen()
{
    sockaddr_un address;
    toAddress(m_socketPath, address);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        m_error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    // Only this user may connect, whatever the runtime folder's own mode.
    const mode_t oldMask = ::umask(0077);
    const bool bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::umask(oldMask);
    if (!bound || ::listen(fd, 8) != 0) {
        m_error =
            QStringLiteral("cannot listen on %1: %2").arg(m_socketPath, QString::fromLocal8Bit(std::strerror(errno)));
        ::close(fd);
        return false;
    }
    m_listenFd = fd;
    m_acceptNotifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    connect(m_acceptNotifier.get(), &QSocketNotifier::activated, this, &SingleInstance::acceptClients);
    return true;
}

void SingleInstance::acceptClients()
{
    for (;;) {
        const int client = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (client < 0)
            return;
        // Another account cannot reach the socket (0600); check the peer all the same, in case the folder is
        // shared.
        ucred peer{};
        socklen_t length = sizeof peer;
        if (::getsockopt(client, SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0 || peer.uid != ::geteuid()) {
            ::close(client);
            continue;
        }
        QPointer<SingleInstance> self(this);
        new Client(client, this, [self](const QByteArray& request) {
            if (self)
                emit self->requested(request);
        });
    }
}

void SingleInstance::stopListening()
{
    if (m_listenFd < 0)
        return;
    m_acceptNotifier.reset();
    ::close(m_listenFd);
    m_listenFd = -1;
    QFile::remove(m_socketPath);
}

QByteArray startRequest()
{
    QByteArray request(RequestStart);
    for (const QByteArray& name : TokenNames) {
        const QByteArray value = qgetenv(name.constData());
        if (!value.isEmpty() && !value.contains('\n'))
            request += name + '=' + value + '\n';
    }
    return request;
}

QList<QPair<QByteArray, QByteArray>> activationTokens(const QByteArray& request)
{
    QList<QPair<QByteArray, QByteArray>> tokens;
    for (const QByteArray& line : request.split('\n')) {
        const qsizetype equals = line.indexOf('=');
        if (equals <= 0)
            continue;
        const QByteArray name = line.left(equals);
        if (std::find(std::begin(TokenNames), std::end(TokenNames), name) != std::end(TokenNames))
            tokens.append({name, line.mid(equals + 1)});
    }
    return tokens;
}

} // namespace miravo
