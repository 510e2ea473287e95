#ifndef DEMOMODE_H
#define DEMOMODE_H

#include <QObject>

QT_BEGIN_NAMESPACE
class QMainWindow;
QT_END_NAMESPACE

class TestNode;

// "kelvane --demo": our own node and skimmer feed on loopback with streams
// of realistic spots, and a settings profile of its own that points at it, so a newcomer
// sees the program at work without an internet node and without anything
// touching the operator's own settings.
class DemoMode : public QObject
{
    Q_OBJECT

public:
    static bool isRequested(int argc, char **argv);
    // Moves the per-user settings store into the demo profile. Must run
    // before anything opens the store.
    static void useDemoProfile();
    static QString profileFolder();
    // The stream's rate: 1.5 spots/s, or KELVANE_DEMO_RATE when it is valid.
    static double spotsPerSecond();
    // The demo shows every dock of the window, whatever its profile saved.
    static void showDocks(QMainWindow &window);

    explicit DemoMode(QObject *parent = nullptr);
    ~DemoMode() override;

    // Starts the node and writes the profile's node list, station data and,
    // the first time, a few alerts; false when the node cannot listen.
    bool start();
    quint16 port() const;
    quint16 skimmerPort() const;

private:
    void writeProfile();

    TestNode *m_node = nullptr;
    TestNode *m_skimmer = nullptr;
};

#endif // DEMOMODE_H
