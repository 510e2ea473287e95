#include "ui/SpotActions.h"

#include "API/QsLog/QsLog.h"
#include "Worked/Worked.h"
#include "cluster/Cluster.h"
#include "cluster/SpotPipeline.h"
#include "log/LogStore.h"
#include "rig/RigControl.h"
#include "settings/Settings.h"
#include "ui/SpotPopup.h"
#include "ui/SpotTableView.h"
#include "update/DXpeditions.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QToolBar>

namespace {
constexpr int kTuneBlinkMs = 250;
} // namespace

SpotActions::SpotActions(SpotTableView *pTable, Settings *pSettings, const Worked *pWorked, const LogStore *pLogStore,
                         RigControl *pRigControl, QWidget *pWindow)
    : QObject(pWindow)
    , m_table(pTable)
    , m_settings(pSettings)
    , m_worked(pWorked)
    , m_logStore(pLogStore)
    , m_rigControl(pRigControl)
    , m_window(pWindow)
{
    m_detailsAction = new QAction(QIcon(QStringLiteral(":/ico/Actions-help-about-icon.png")), tr("&Details"), pWindow);
    m_tuneRigAction = new QAction(QIcon(QStringLiteral(":/ico/radio_16.png")), tr("&Tune Rig"), pWindow);
    m_blinkTimer.setInterval(kTuneBlinkMs);
    connect(&m_blinkTimer, &QTimer::timeout, this, &SpotActions::blink);
}

SpotActions::~SpotActions() = default;

void SpotActions::addRadioIndicator(QToolBar *pToolBar)
{
    m_radioLabel = new QLabel(pToolBar);
    m_radioLabel->setPixmap(QPixmap(QStringLiteral(":/ico/radio_16.png")));
    m_radioLabel->setToolTip(tr("Tuning the rig"));
    m_radioLabel->hide();
    m_radioAction = pToolBar->addWidget(m_radioLabel);
    m_radioAction->setVisible(false);
}

void SpotActions::openMenu(const QPoint &point, QAction *pSendSpot)
{
    QModelIndex index = m_table->indexAt(point);
    m_menuSpot = m_table->spotAt(index);
    if (!m_menuSpot) {
        index = m_table->currentIndex();
        m_menuSpot = m_table->spotAt(index);
    }
    // Taken now: the row may have moved by the time an action is chosen.
    m_menuReports = m_table->reportsAt(index);
    auto *pMenu = new QMenu(m_window);
    pMenu->setAttribute(Qt::WA_DeleteOnClose);
    pMenu->addAction(m_detailsAction);
    pMenu->addAction(m_tuneRigAction);
    pMenu->addAction(pSendSpot);
    m_tuneRigAction->setEnabled(m_settings->isHRDEnabled());
    pMenu->popup(m_table->viewport()->mapToGlobal(point));
}

std::optional<Spot> SpotActions::takeMenuSpot(SpotModel::Reports *pReports)
{
    std::optional<Spot> spot = m_menuSpot;
    SpotModel::Reports reports = m_menuReports;
    if (!spot) {
        spot = m_table->spotAt(m_table->currentIndex());
        reports = m_table->reportsAt(m_table->currentIndex());
    }
    m_menuSpot.reset();
    m_menuReports = SpotModel::Reports();
    if (pReports)
        *pReports = std::move(reports);
    return spot;
}

void SpotActions::showDetails()
{
    SpotModel::Reports reports;
    const std::optional<Spot> spot = takeMenuSpot(&reports);
    auto *pPopup = new SpotPopup(m_window);
    pPopup->setAttribute(Qt::WA_DeleteOnClose);
    const QString qsDxCall = spot ? spot->dxCall() : QString();
    pPopup->setDX(qsDxCall);
    if (spot) {
        Spot located;
        located.setLocation(m_worked->infoForCall(qsDxCall), m_worked->infoForCall(spot->spotter()),
                            m_settings->locator());
        pPopup->setLocation(located, m_settings->distanceInMiles());
        pPopup->setNeed(
            LogStore::needDescription(m_logStore->needForSpot(spot->country(), spot->frequency(), spot->comment())));
        QStringList qslSpotters;
        for (const SpotModel::Reporter &reporter : reports.spotters) {
            qslSpotters.append(reporter.continent.isEmpty() ? reporter.call
                                                            : tr("%1 (%2)").arg(reporter.call, reporter.continent));
        }
        pPopup->setSpotters(qslSpotters);
        pPopup->setSources(reports.sources);
        if (const Cluster *pCluster = m_settings->cluster())
            pPopup->setSkimmers(pCluster->pipeline()->skimmerValidator().reports(qsDxCall));
    }
    DXpedition entry;
    if (m_settings->dxpeditions() && m_settings->dxpeditions()->value(qsDxCall, &entry)) {
        pPopup->setIOTA(entry.iota);
        pPopup->setQSLvia(entry.qslVia);
        pPopup->setReportedBy(entry.reportedBy);
        pPopup->setInfo(entry.info);
    } else {
        pPopup->setLookupLink(qsDxCall);
    }
    pPopup->show();
}

void SpotActions::tuneMenuSpot()
{
    if (const std::optional<Spot> spot = takeMenuSpot())
        tune(*spot);
}

void SpotActions::tune(const Spot &spot)
{
    QLOG_DEBUG() << "Tuning to the spot of" << spot.dxCall() << "on" << spot.frequency();
    if (m_rigControl->tune(m_settings->isHRDEnabled(), m_settings->hrdAddress(), m_settings->hrdPort(),
                           m_settings->attemptSplitDetection(), spot.frequency(), spot.comment()))
        m_blinkTimer.start();
}

void SpotActions::blink()
{
    if (m_radioAction)
        m_radioAction->setVisible(!m_radioLabel->isVisible());
}

void SpotActions::stopBlinking()
{
    m_blinkTimer.stop();
    if (m_radioAction)
        m_radioAction->setVisible(false);
}
