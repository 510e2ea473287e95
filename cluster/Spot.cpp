#include "Spot.h"

bool Spot::isComplete() const
{
    return !m_time.isEmpty() && !m_spotter.isEmpty() && !m_frequency.isEmpty() && !m_dxCall.isEmpty();
}

void Spot::setLocation(const CountryInfo &dx, const CountryInfo &spotter, const QString &qsLocator)
{
    m_dxContinent = dx.continent;
    m_dxCqZone = dx.cqZone;
    m_spotterContinent = spotter.continent;
    m_hasDxPosition = dx.hasPosition;
    m_dxLatitude = dx.hasPosition ? dx.latitude : 0.0;
    m_dxLongitude = dx.hasPosition ? dx.longitude : 0.0;
    double dLatitude = 0.0;
    double dLongitude = 0.0;
    m_hasPath = dx.hasPosition && Locator::position(qsLocator, &dLatitude, &dLongitude);
    if (!m_hasPath)
        return;
    m_shortPath = Locator::shortPath(dLatitude, dLongitude, dx.latitude, dx.longitude);
    m_longPath = Locator::longPath(m_shortPath);
}

QString Spot::kindText(Kind kind)
{
    switch (kind) {
    case Kind::Cq:
        return QStringLiteral("CQ");
    case Kind::Dx:
        return QStringLiteral("DX");
    case Kind::Beacon:
        return QStringLiteral("BEACON");
    case Kind::NcdxfBeacon:
        return QStringLiteral("NCDXF B");
    case Kind::None:
        break;
    }
    return QString();
}
