#include "ui/MapDock.h"

#include "settings/GuardedSettings.h"
#include "settings/SettingsStore.h"
#include "ui/MapWidget.h"

#include <QComboBox>
#include <QStandardItemModel>
#include <QVBoxLayout>

namespace {

const QString kProjectionKey = QStringLiteral("Map/Projection");
const QString kCentred = QStringLiteral("centred");
const QString kWorld = QStringLiteral("world");

} // namespace

MapDock::MapDock(QAbstractItemModel *pModel, QWidget *parent) : QDockWidget(tr("Map"), parent)
{
    // The window's saved layout finds the dock by this name.
    setObjectName(QStringLiteral("dockWidgetMap"));
    auto *pContents = new QWidget(this);
    auto *pLayout = new QVBoxLayout(pContents);
    pLayout->setContentsMargins(2, 2, 2, 2);
    m_projectionCombo = new QComboBox(pContents);
    m_projectionCombo->setObjectName(QStringLiteral("comboBoxMapProjection"));
    m_projectionCombo->addItem(tr("Centred on my station"), int(MapWidget::Projection::Centred));
    m_projectionCombo->addItem(tr("Whole world"), int(MapWidget::Projection::World));
    m_map = new MapWidget(pModel, pContents);
    pLayout->addWidget(m_projectionCombo);
    pLayout->addWidget(m_map, 1);
    setWidget(pContents);

    const bool bWorld = SettingsStore::openStore().value(kProjectionKey).toString() == kWorld;
    m_projectionCombo->setCurrentIndex(bWorld ? 1 : 0);
    m_map->setProjection(bWorld ? MapWidget::Projection::World : MapWidget::Projection::Centred);
    connect(m_projectionCombo, &QComboBox::activated, this, &MapDock::onProjectionChosen);
    updateChoices();
}

void MapDock::setStation(const QString &qsLocator, bool bMiles)
{
    m_map->setStation(qsLocator);
    m_map->setDistanceInMiles(bMiles);
    updateChoices();
}

void MapDock::onProjectionChosen(int iIndex)
{
    const auto projection = MapWidget::Projection(m_projectionCombo->itemData(iIndex).toInt());
    m_map->setProjection(projection);
    SettingsStore::openStore().setValue(kProjectionKey, projection == MapWidget::Projection::World ? kWorld : kCentred);
}

void MapDock::updateChoices()
{
    // Without a station there is no centre: the choice shows what is drawn,
    // and the operator's own choice comes back with a locator.
    auto *pItems = qobject_cast<QStandardItemModel *>(m_projectionCombo->model());
    if (QStandardItem *pCentred = pItems ? pItems->item(0) : nullptr)
        pCentred->setEnabled(m_map->hasStation());
    m_projectionCombo->setCurrentIndex(m_map->shownProjection() == MapWidget::Projection::World ? 1 : 0);
    m_projectionCombo->setToolTip(
        m_map->hasStation() ? QString() : tr("Set your locator in Settings to centre the map on your station"));
}
