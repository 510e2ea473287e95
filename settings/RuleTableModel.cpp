#include "RuleTableModel.h"

#include "filters/Filter.h"
#include "filters/FilterChains.h"
#include "radio/BandPlan.h"

#include <QIcon>

namespace {

const QString kAcceptIcon = QStringLiteral(":/ico/Actions-dialog-ok-apply-icon.png");
const QString kStopIcon = QStringLiteral(":/ico/Actions-dialog-cancel-icon.png");

} // namespace

RuleTableModel::RuleTableModel(Chain chain, QObject *parent) : QAbstractTableModel(parent), m_chain(chain)
{
}

void RuleTableModel::setChains(const FilterChains *pChains)
{
    beginResetModel();
    m_chains = pChains;
    endResetModel();
}

void RuleTableModel::refresh()
{
    beginResetModel();
    endResetModel();
}

int RuleTableModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid() || !m_chains)
        return 0;
    return m_chain == Alerts ? m_chains->alertCount() : m_chains->filterCount();
}

int RuleTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : (m_chain == Alerts ? Popup + 1 : Value + 1);
}

const Filter *RuleTableModel::ruleAt(int iRow) const
{
    if (!m_chains)
        return nullptr;
    return m_chain == Alerts ? m_chains->alertAt(iRow) : m_chains->filterAt(iRow);
}

QVariant RuleTableModel::headerData(int iSection, Qt::Orientation orientation, int iRole) const
{
    if (orientation != Qt::Horizontal || iRole != Qt::DisplayRole)
        return QAbstractTableModel::headerData(iSection, orientation, iRole);
    switch (iSection) {
    case Type:
        return tr("Type");
    case Value:
        return tr("Value");
    case Color:
        return tr("Color");
    case Sound:
        return tr("Sound");
    case Icon:
        return tr("Icon");
    case Popup:
        return tr("Popup");
    default:
        return QVariant();
    }
}

QString RuleTableModel::bandText(int iBands)
{
    if (iBands == Filter::AllBands)
        return tr("All");
    if (iBands == Filter::NoBand)
        return tr("None");
    QStringList names;
    for (int i = 0; i < BandPlan::count(); ++i) {
        const BandPlan::Band &band = BandPlan::at(i);
        if (quint32(iBands) & band.bit)
            names.append(BandPlan::labelText(band));
    }
    return names.join(QLatin1Char(','));
}

QString RuleTableModel::typeText(const Filter &rule) const
{
    // In bit order: the action first, then the kind.
    static const struct
    {
        int iBit;
        const char *pName;
    } kTypeNames[] = {
        {Filter::Drop, QT_TR_NOOP("Drop")},
        {Filter::Accept, QT_TR_NOOP("Accept")},
        {Filter::Band, QT_TR_NOOP("Band")},
        {Filter::Call, QT_TR_NOOP("Call")},
        {Filter::Country, QT_TR_NOOP("Country")},
        {Filter::WorkedCountries, QT_TR_NOOP("Worked Countries")},
        {Filter::NewCountries, QT_TR_NOOP("New Countries")},
        {Filter::DXpeditionIota, QT_TR_NOOP("DXpedition/IOTA")},
        {Filter::DxContinent, QT_TR_NOOP("DX continent")},
        {Filter::SpotterContinent, QT_TR_NOOP("Spotter continent")},
        {Filter::NeededNewCountry, QT_TR_NOOP("Needed: new country")},
        {Filter::NeededNewBand, QT_TR_NOOP("Needed: new band")},
        {Filter::NeededNewMode, QT_TR_NOOP("Needed: new mode")},
        {Filter::NeededUnconfirmed, QT_TR_NOOP("Needed: unconfirmed")},
        {Filter::Mode, QT_TR_NOOP("Mode")},
        {Filter::SpottedBy, QT_TR_NOOP("Spotted by")},
        {Filter::SnrAtLeast, QT_TR_NOOP("SNR at least")},
        {Filter::SpeedBetween, QT_TR_NOOP("Speed between")},
        {Filter::Validation, QT_TR_NOOP("Validation")},
        {Filter::SpotKind, QT_TR_NOOP("Kind")},
        {Filter::NotWorkedOnBand, QT_TR_NOOP("Call not worked on this band")},
    };
    QString qsType;
    for (const auto &type : kTypeNames) {
        if (rule.filterType() & type.iBit)
            qsType += tr(type.pName) + QLatin1Char(' ');
    }
    return qsType;
}

QString RuleTableModel::valueText(const Filter &rule) const
{
    const int iType = rule.filterType();
    if (iType & Filter::DXpeditionIota)
        return tr("DXpeditions list from the Kelvane update server");
    if ((iType & (Filter::WorkedCountries | Filter::NewCountries | Filter::NotWorkedOnBand))
        || Filter::isNeededKind(iType))
        return tr("N/A");
    QString qsValue;
    if (iType & Filter::Band)
        qsValue += bandText(rule.bandFilterValue()) + QLatin1Char(' ');
    if (iType & Filter::Call)
        qsValue += rule.callFilterValue() + QLatin1Char(' ');
    if (iType & Filter::Country)
        qsValue += rule.countryFilterValue() + QLatin1Char(' ');
    if (iType & (Filter::DxContinent | Filter::SpotterContinent))
        qsValue += rule.continentFilterValue() + QLatin1Char(' ');
    if (iType & Filter::Mode)
        qsValue += rule.modeFilterValue().join(QLatin1String(", ")) + QLatin1Char(' ');
    if (iType & Filter::SpottedBy) {
        const int iChoice = rule.choiceFilterValue();
        qsValue += (iChoice == Filter::SpottedBySkimmer     ? tr("skimmer")
                        : iChoice == Filter::SpottedByHuman ? tr("human")
                                                            : tr("either"))
            + QLatin1Char(' ');
    }
    if (iType & Filter::SnrAtLeast)
        qsValue += tr("%1 dB").arg(rule.minFilterValue()) + QLatin1Char(' ');
    if (iType & Filter::SpeedBetween)
        qsValue += tr("%1 to %2 WPM (BPS)").arg(rule.minFilterValue()).arg(rule.maxFilterValue()) + QLatin1Char(' ');
    if (iType & Filter::Validation)
        qsValue +=
            (rule.choiceFilterValue() == Filter::HideBusted ? tr("hide busted") : tr("valid only")) + QLatin1Char(' ');
    if (iType & Filter::SpotKind)
        qsValue += (rule.choiceFilterValue() == Filter::KindBeacon ? tr("beacons") : tr("CQ")) + QLatin1Char(' ');
    return qsValue;
}

QVariant RuleTableModel::data(const QModelIndex &index, int iRole) const
{
    const Filter *pRule = index.isValid() ? ruleAt(index.row()) : nullptr;
    if (!pRule)
        return QVariant();
    const AlertFlags kinds = pRule->alertKinds();
    const QString qsOn = tr("On");
    const QString qsOff = tr("Off");
    switch (index.column()) {
    case Type:
        if (iRole == Qt::DisplayRole)
            return typeText(*pRule);
        if (iRole == Qt::DecorationRole && m_chain == Filters) {
            if (pRule->filterType() & Filter::Accept)
                return QIcon(kAcceptIcon);
            if (pRule->filterType() & Filter::Drop)
                return QIcon(kStopIcon);
        }
        break;
    case Value:
        if (iRole == Qt::DisplayRole || iRole == Qt::ToolTipRole)
            return valueText(*pRule);
        break;
    case Color:
        if (iRole == Qt::DisplayRole)
            return kinds.testFlag(AlertFlag::Color) ? qsOn : qsOff;
        if (iRole == Qt::BackgroundRole && kinds.testFlag(AlertFlag::Color))
            return pRule->alertColor();
        break;
    case Sound:
        if (iRole == Qt::DisplayRole)
            return kinds.testFlag(AlertFlag::Sound) ? pRule->soundFile() : qsOff;
        if (iRole == Qt::ToolTipRole && kinds.testFlag(AlertFlag::Sound))
            return pRule->soundFile();
        break;
    case Icon:
        if (iRole == Qt::DisplayRole)
            return kinds.testFlag(AlertFlag::Icon) ? qsOn : qsOff;
        if (iRole == Qt::DecorationRole && kinds.testFlag(AlertFlag::Icon))
            return QIcon(pRule->iconFile());
        break;
    case Popup:
        if (iRole == Qt::DisplayRole)
            return kinds.testFlag(AlertFlag::Balloon) ? qsOn : qsOff;
        break;
    default:
        break;
    }
    return QVariant();
}
