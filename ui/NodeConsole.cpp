#include "ui/NodeConsole.h"

#include "ui_NodeConsole.h"

#include "cluster/Cluster.h"
#include "cluster/NodeConnection.h"
#include "settings/SettingsStore.h"

#include <QApplication>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QTabBar>

namespace {
const QLatin1String kEchoPrefix("> ");
const QLatin1String kNoticePrefix("*** ");
} // namespace

NodeConsole::NodeConsole(QWidget *parent) : QWidget(parent), m_ui(std::make_unique<Ui::NodeConsole>())
{
    m_ui->setupUi(this);
    // Node answers are tables laid out in columns.
    m_ui->plainTextEditOutput->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_ui->plainTextEditOutput->setMaximumBlockCount(kMaxLines);
    m_ui->lineEditCommand->installEventFilter(this);
    m_commandHint = m_ui->lineEditCommand->placeholderText();
    m_tabBar = new QTabBar(this);
    m_tabBar->setObjectName(QStringLiteral("tabBarSources"));
    m_tabBar->setDocumentMode(true);
    m_tabBar->setExpanding(false);
    m_ui->verticalLayout->insertWidget(0, m_tabBar);
    connect(m_tabBar, &QTabBar::currentChanged, this, &NodeConsole::onTabChanged);

    const ConsoleSettings console = SettingsStore::loadConsole();
    m_ui->checkBoxShowSpots->setChecked(console.showSpots);
    m_ui->checkBoxBell->setChecked(console.bell);
    connect(m_ui->checkBoxShowSpots, &QCheckBox::toggled, this, &NodeConsole::onSwitchesToggled);
    connect(m_ui->checkBoxBell, &QCheckBox::toggled, this, &NodeConsole::onSwitchesToggled);

    connect(m_ui->lineEditCommand, &QLineEdit::returnPressed, this, &NodeConsole::onReturnPressed);
    connect(m_ui->pushButtonShowDx, &QPushButton::clicked, this, [this]() { sendCommand(QStringLiteral("SH/DX")); });
    connect(m_ui->pushButtonShowWwv, &QPushButton::clicked, this, [this]() { sendCommand(QStringLiteral("SH/WWV")); });
    connect(m_ui->pushButtonShowMyDx, &QPushButton::clicked, this,
            [this]() { sendCommand(QStringLiteral("SH/MYDX")); });
}

NodeConsole::~NodeConsole() = default;

void NodeConsole::setCluster(Cluster *pCluster)
{
    disconnect(m_sourcesConnection);
    m_cluster = pCluster;
    if (pCluster)
        m_sourcesConnection = connect(pCluster, &Cluster::sourcesChanged, this, &NodeConsole::onSourcesChanged);
    onSourcesChanged();
}

QStringList NodeConsole::sourceNames() const
{
    QStringList names;
    for (const SourceTab &tab : m_tabs)
        names.append(tab.name);
    return names;
}

bool NodeConsole::showSource(const QString &qsName)
{
    for (size_t i = 0; i < m_tabs.size(); ++i) {
        if (m_tabs[i].name == qsName) {
            m_tabBar->setCurrentIndex(int(i));
            return true;
        }
    }
    return false;
}

void NodeConsole::onSourcesChanged()
{
    for (const QMetaObject::Connection &connection : std::as_const(m_lineConnections))
        disconnect(connection);
    m_lineConnections.clear();
    const QString qsShown = m_tabBar->currentIndex() >= 0 ? m_tabBar->tabText(m_tabBar->currentIndex()) : QString();
    const QList<NodeConnection *> connections = m_cluster ? m_cluster->connections() : QList<NodeConnection *>();

    // A source that stays keeps what it said, also when a fallback node
    // took over under the same group.
    std::vector<SourceTab> tabs;
    for (qsizetype i = 0; i < connections.size(); ++i) {
        NodeConnection *pConnection = connections.at(i);
        SourceTab tab;
        tab.connection = pConnection;
        tab.name = pConnection->sourceName();
        for (SourceTab &old : m_tabs) {
            if (old.connection == pConnection || old.name == tab.name) {
                tab.lines = std::move(old.lines);
                break;
            }
        }
        m_lineConnections.append(connect(
            pConnection, &NodeConnection::nodeLine, this,
            [this, pConnection](const QString &qsLine, bool bSpot) { onSourceLine(pConnection, qsLine, bSpot); }));
        tabs.push_back(std::move(tab));
    }
    m_tabs = std::move(tabs);

    const QSignalBlocker blocker(m_tabBar);
    while (m_tabBar->count() > 0)
        m_tabBar->removeTab(0);
    int iShown = 0;
    for (size_t i = 0; i < m_tabs.size(); ++i) {
        m_tabBar->addTab(m_tabs[i].name);
        if (m_tabs[i].name == qsShown)
            iShown = int(i);
    }
    // One source needs no tab to choose it.
    m_tabBar->setVisible(m_tabs.size() > 1);
    m_tabBar->setCurrentIndex(m_tabs.empty() ? -1 : iShown);
    onTabChanged(m_tabBar->currentIndex());
}

void NodeConsole::onTabChanged(int iIndex)
{
    // A skimmer feed answers no command: nothing offers to send one.
    const NodeConnection *pConnection = currentConnection();
    const bool bCommands = !pConnection || !pConnection->isSkimmerFeed();
    m_ui->lineEditCommand->setEnabled(bCommands);
    m_ui->pushButtonShowDx->setEnabled(bCommands);
    m_ui->pushButtonShowWwv->setEnabled(bCommands);
    m_ui->pushButtonShowMyDx->setEnabled(bCommands);
    m_ui->lineEditCommand->setPlaceholderText(bCommands ? m_commandHint : tr("A skimmer feed takes no commands"));
    m_ui->plainTextEditOutput->clear();
    if (iIndex < 0 || size_t(iIndex) >= m_tabs.size())
        return;
    m_ui->plainTextEditOutput->setPlainText(m_tabs[size_t(iIndex)].lines.join(QLatin1Char('\n')));
    m_ui->plainTextEditOutput->moveCursor(QTextCursor::End);
}

NodeConnection *NodeConsole::currentConnection() const
{
    const int iIndex = m_tabBar->currentIndex();
    if (iIndex < 0 || size_t(iIndex) >= m_tabs.size())
        return nullptr;
    return m_tabs[size_t(iIndex)].connection;
}

void NodeConsole::onSourceLine(const NodeConnection *pConnection, const QString &qsLine, bool bSpot)
{
    for (size_t i = 0; i < m_tabs.size(); ++i) {
        if (m_tabs[i].connection == pConnection) {
            addLine(int(i), qsLine, bSpot);
            return;
        }
    }
}

QString NodeConsole::printable(const QString &qsLine)
{
    QString qsText;
    qsText.reserve(qsLine.size());
    for (const QChar ch : qsLine) {
        if (ch == QLatin1Char('\t'))
            qsText += QLatin1Char(' ');
        else if (ch.category() != QChar::Other_Control)
            qsText += ch;
    }
    return qsText;
}

void NodeConsole::onNodeLine(const QString &qsLine, bool bSpot)
{
    addLine(m_tabBar->currentIndex(), qsLine, bSpot);
}

void NodeConsole::addLine(int iTab, const QString &qsLine, bool bSpot)
{
    if (bSpot && !m_ui->checkBoxShowSpots->isChecked())
        return;
    if (qsLine.contains(QLatin1Char('\a')))
        ringBell();
    const QString qsText = printable(qsLine);
    // A line of nothing but a line end, or of control characters, says nothing.
    if (qsText.trimmed().isEmpty())
        return;
    if (iTab >= 0 && size_t(iTab) < m_tabs.size()) {
        QStringList &lines = m_tabs[size_t(iTab)].lines;
        lines.append(qsText);
        if (lines.size() > kMaxLines)
            lines.removeFirst();
    }
    if (iTab == m_tabBar->currentIndex())
        m_ui->plainTextEditOutput->appendPlainText(qsText);
}

bool NodeConsole::sendCommand(const QString &qsCommand)
{
    // One line: a pasted line break would split it into commands the
    // operator never saw.
    const QString qsLine = printable(qsCommand);
    NodeConnection *pConnection = currentConnection();
    if (pConnection && pConnection->isSkimmerFeed()) {
        appendLine(kNoticePrefix + tr("%1 is a skimmer feed and takes no commands").arg(pConnection->sourceName()));
        return false;
    }
    if (!pConnection || !pConnection->sendOperatorCommand(qsLine)) {
        appendLine(kNoticePrefix + tr("Not connected: command not sent"));
        return false;
    }
    appendLine(kEchoPrefix + qsLine);
    remember(qsLine);
    return true;
}

void NodeConsole::onReturnPressed()
{
    const QString qsCommand = m_ui->lineEditCommand->text();
    // An empty line is a command too: nodes answer it with their prompt.
    // What could not be sent stays to be sent again.
    if (sendCommand(qsCommand))
        m_ui->lineEditCommand->clear();
}

void NodeConsole::onSwitchesToggled()
{
    SettingsStore::saveConsole({m_ui->checkBoxBell->isChecked(), m_ui->checkBoxShowSpots->isChecked()});
}

void NodeConsole::appendLine(const QString &qsLine)
{
    // Plain text only: a line holding markup shows the markup.
    addLine(m_tabBar->currentIndex(), qsLine, false);
}

void NodeConsole::remember(const QString &qsCommand)
{
    if (!qsCommand.trimmed().isEmpty() && (m_history.isEmpty() || m_history.constLast() != qsCommand)) {
        m_history.append(qsCommand);
        if (m_history.size() > kMaxHistory)
            m_history.removeFirst();
    }
    m_historyIndex = m_history.size();
    m_draft.clear();
}

void NodeConsole::recall(int iStep)
{
    const qsizetype iIndex = qBound(qsizetype(0), m_historyIndex + iStep, m_history.size());
    if (iIndex == m_historyIndex)
        return;
    if (m_historyIndex == m_history.size())
        m_draft = m_ui->lineEditCommand->text();
    m_historyIndex = iIndex;
    m_ui->lineEditCommand->setText(iIndex == m_history.size() ? m_draft : m_history.at(iIndex));
}

bool NodeConsole::eventFilter(QObject *pWatched, QEvent *pEvent)
{
    if (pWatched == m_ui->lineEditCommand && pEvent->type() == QEvent::KeyPress) {
        const int iKey = static_cast<QKeyEvent *>(pEvent)->key();
        if (iKey == Qt::Key_Up || iKey == Qt::Key_Down) {
            recall(iKey == Qt::Key_Up ? -1 : 1);
            return true;
        }
    }
    return QWidget::eventFilter(pWatched, pEvent);
}

void NodeConsole::ringBell()
{
    // Live spot lines ring twice each; a busy node must not turn that into a buzz.
    if (!m_ui->checkBoxBell->isChecked() || (m_sinceBell.isValid() && m_sinceBell.elapsed() < kBellIntervalMs))
        return;
    m_sinceBell.start();
    QApplication::beep();
    Q_EMIT bellRung();
}
