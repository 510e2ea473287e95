#ifndef NODECONSOLE_H
#define NODECONSOLE_H

#include <QElapsedTimer>
#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <memory>
#include <vector>

QT_BEGIN_NAMESPACE
class QTabBar;
namespace Ui {
class NodeConsole;
}
QT_END_NAMESPACE

class Cluster;
class NodeConnection;

// The conversation with the node: what it says that is not a spot
// (announcements, talk, propagation bulletins, answers, prompts) and a
// command line to it. Everything the node sends is shown as plain text
// without control characters, so no line can format, hide or rewrite the
// console. Each source has a tab of its own; a command goes to the source
// whose tab is shown.
class NodeConsole : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kMaxLines = 5000;
    static constexpr int kMaxHistory = 100;
    static constexpr int kBellIntervalMs = 1000;

    explicit NodeConsole(QWidget *parent = nullptr);
    ~NodeConsole() override;

    // The sources whose lines are shown and which commands go to; the
    // console forgets them when they are deleted.
    void setCluster(Cluster *pCluster);
    // The tabs' names, one per source, in the cluster's order.
    QStringList sourceNames() const;
    // Shows the tab of the source so named; false when there is none.
    bool showSource(const QString &qsName);
    // qsLine as the console shows it: control characters removed, a tab as
    // a space.
    static QString printable(const QString &qsLine);

public Q_SLOTS:
    // A line for the tab shown.
    void onNodeLine(const QString &qsLine, bool bSpot);
    // Sends qsCommand to the node; the console shows it, or why it was not sent.
    bool sendCommand(const QString &qsCommand);

Q_SIGNALS:
    void bellRung();

protected:
    bool eventFilter(QObject *pWatched, QEvent *pEvent) override;

private:
    struct SourceTab
    {
        QPointer<NodeConnection> connection;
        QString name;
        // What the tab shows when it is chosen; the widget holds only the
        // shown tab's lines.
        QStringList lines;
    };

    void onSourcesChanged();
    void onSourceLine(const NodeConnection *pConnection, const QString &qsLine, bool bSpot);
    void onTabChanged(int iIndex);
    void addLine(int iTab, const QString &qsLine, bool bSpot);
    NodeConnection *currentConnection() const;
    void onReturnPressed();
    void onSwitchesToggled();
    void appendLine(const QString &qsLine);
    void remember(const QString &qsCommand);
    void recall(int iStep);
    void ringBell();

    std::unique_ptr<Ui::NodeConsole> m_ui;
    QPointer<Cluster> m_cluster;
    QMetaObject::Connection m_sourcesConnection;
    QTabBar *m_tabBar = nullptr;
    // The command line's hint for a node that takes commands.
    QString m_commandHint;
    std::vector<SourceTab> m_tabs;
    QList<QMetaObject::Connection> m_lineConnections;
    // Commands sent, oldest first; not kept across runs, as they may hold
    // passwords or private talk.
    QStringList m_history;
    // Where Up/Down stands in the history; m_history.size() is the line
    // being typed, kept in m_draft while the operator looks back.
    qsizetype m_historyIndex = 0;
    QString m_draft;
    QElapsedTimer m_sinceBell;
};

#endif // NODECONSOLE_H
