#include "ui/NodeConsole.h"

#include "ui_NodeConsole.h"

#include "cluster/Cluster.h"
#include "settings/SettingsStore.h"

#include <QApplication>
#include <QFontDatabase>
#include <QKeyEvent>

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
    disconnect(m_lineConnection);
    m_cluster = pCluster;
    if (pCluster)
        m_lineConnection = connect(pCluster, &Cluster::nodeLine, this, &NodeConsole::onNodeLine);
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
    if (bSpot && !m_ui->checkBoxShowSpots->isChecked())
        return;
    if (qsLine.contains(QLatin1Char('\a')))
        ringBell();
    const QString qsText = printable(qsLine);
    // A line of nothing but a line end, or of control characters, says nothing.
    if (!qsText.trimmed().isEmpty())
        appendLine(qsText);
}

bool NodeConsole::sendCommand(const QString &qsCommand)
{
    // One line: a pasted line break would split it into commands the
    // operator never saw.
    const QString qsLine = printable(qsCommand);
    if (!m_cluster || !m_cluster->sendOperatorCommand(qsLine)) {
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
    m_ui->plainTextEditOutput->appendPlainText(qsLine);
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
