// SPDX-License-Identifier: GPL-3.0-or-later
// One running program per user and data folder. The first start listens on a local socket in the user's runtime
// folder; a later start with the same data folder hands its request to it over that socket and ends, and the first
// shows its main window. Two programs on one data folder would compete for the same COM port and database.
// A second user has another runtime folder, and a second data folder another socket name: each gets its own program.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <memory>

class QSocketNotifier;

namespace miravo {

class SingleInstance final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SingleInstance)

public:
    // The socket of the program that uses `dataFolder`, in `runtimeFolder`.
    static QString socketPathFor(const QString& runtimeFolder, const QString& dataFolder);

    explicit SingleInstance(QString socketPath, QObject* parent = nullptr);
    ~SingleInstance() override;

    enum class Role {
        First,      // no program was running: this one listens now
        Second,     // a running program took `request`: this one should end
        Unanswered, // a program listens but did not take the request in time: see errorString()
        Alone,      // neither was possible (no usable runtime folder): see errorString()
    };
    // Decides the role. Blocks for at most `answerTimeoutMs` while a running program takes the request.
    Role claim(const QByteArray& request, int answerTimeoutMs = 5000);
    QString errorString() const { return m_error; }

    // Longest request a running program reads; the rest of a longer one is dropped with its connection.
    static constexpr qsizetype MaxRequestBytes = 4096;

signals:
    // A later start's request, as it sent it.
    void requested(const QByteArray& request);

private:
    bool listen();
    Role handOver(int fd, const QByteArray& request, int answerTimeoutMs);
    void acceptClients();
    void stopListening();

    QString m_socketPath;
    QString m_error;
    int m_listenFd = -1;
    std::unique_ptr<QSocketNotifier> m_acceptNotifier;
};

// The request a start sends: "show", and the desktop's activation tokens it was started with, so that the running
// program may take the focus the launcher meant for this start.
QByteArray startRequest();

// The tokens of a request, as the variables they came from (DESKTOP_STARTUP_ID, XDG_ACTIVATION_TOKEN), each with
// its value; other lines are not taken.
QList<QPair<QByteArray, QByteArray>> activationTokens(const QByteArray& request);

} // namespace miravo
