#ifndef INSTANCEMESSENGER_H
#define INSTANCEMESSENGER_H

#include <QObject>
#include <QString>

QT_BEGIN_NAMESPACE
class QLocalServer;
QT_END_NAMESPACE

// Lets a second start reach the running instance: the instance listens on
// a local socket of this user's, and a later start asks it through that
// socket to bring its window forward before it ends itself.
//
// Which instance runs is decided by SingleInstance alone; the socket only
// carries the request. A socket file left behind by a killed instance is
// therefore removed by whoever holds the instance lock next.
class InstanceMessenger : public QObject
{
    Q_OBJECT

public:
    explicit InstanceMessenger(QObject *parent = nullptr);
    ~InstanceMessenger() override;

    // Only for the instance that holds the lock.
    bool listen();
    // Tells the running instance to show its window; false when nobody
    // answered within iTimeoutMs.
    static bool askRunningInstanceToShow(int iTimeoutMs = 5000);
    // A path in the user's runtime folder, so that two people, or two
    // sessions of one person, each reach their own instance.
    static QString serverName();

Q_SIGNALS:
    void showRequested();

private:
    void onNewConnection();

    QLocalServer *m_server = nullptr;
};

#endif // INSTANCEMESSENGER_H
