#include "CountryTable.h"

#include <QStringView>

namespace {

struct CountryRow
{
    const char *code;
    int dxcc;
    int itu;
    int cq;
    const char *prefixes;
    const char *digits;
    int suffixMin;
    int suffixMax;
    const char *grids;
    const char *states;
    int weight;
};

// Weights roughly follow how often each country shows up on a busy node.
constexpr CountryRow kRows[] = {
    {"K", 291, 8, 5, "K,W,N,AA,AB,AC,KB,KC,KD,KE,KF,KG,KI,KJ,KK,WA,WB", "0123456789", 1, 3, "FN,EM,EN,DM,CM,FM",
     "MA,NY,PA,OH,TX,CA,FL,WA,CO,IL", 180},
    {"VE", 1, 4, 5, "VE,VA,VO,VY", "123456789", 2, 3, "FN,EN,DO,CN", "ON,QC,BC,AB,NS", 40},
    {"KH6", 110, 61, 31, "KH6,AH6,WH6,NH6", "", 2, 3, "BL,BK", "", 6},
    {"KL7", 6, 1, 1, "KL7,AL7,WL7,NL7", "", 2, 3, "BP", "", 5},
    {"KP4", 202, 11, 8, "KP4,WP4,NP4", "", 2, 3, "FK", "", 5},
    {"XE", 50, 10, 6, "XE,XF", "123", 2, 3, "EK,DL", "", 6},
    {"DL", 230, 28, 14, "DL,DK,DJ,DB,DC,DD,DF,DG,DH,DM,DO", "0123456789", 2, 3, "JO,JN", "", 100},
    {"G", 223, 27, 14, "G,M", "034678", 3, 3, "IO,JO", "", 55},
    {"GM", 279, 27, 14, "GM,MM", "034", 3, 3, "IO", "", 10},
    {"GW", 294, 27, 14, "GW,MW", "034", 3, 3, "IO", "", 8},
    {"EI", 245, 27, 14, "EI,EJ", "2345689", 2, 3, "IO", "", 8},
    {"F", 227, 27, 14, "F", "1234568", 2, 3, "JN,IN", "", 45},
    {"ON", 209, 27, 14, "ON,OO,OR,OT", "345678", 2, 3, "JO", "", 20},
    {"PA", 263, 27, 14, "PA,PB,PC,PD,PE,PH", "0123456789", 2, 3, "JO", "", 25},
    {"HB", 287, 28, 14, "HB9,HB3", "", 2, 3, "JN", "", 15},
    {"OE", 206, 28, 15, "OE", "123456789", 2, 3, "JN", "", 15},
    {"I", 248, 28, 15, "I,IK,IZ,IW", "012345678", 2, 3, "JN,JM", "", 45},
    {"EA", 281, 37, 14, "EA,EB,EC,ED", "1234567", 2, 3, "IN,IM", "", 40},
    {"EA8", 29, 36, 33, "EA8,EB8,EC8", "", 2, 3, "IL", "", 6},
    {"CT", 272, 37, 14, "CT,CS,CR", "12", 2, 3, "IM,IN", "", 10},
    {"OZ", 221, 18, 14, "OZ,OU,5P,5Q", "0123456789", 2, 3, "JO", "", 15},
    {"SM", 284, 18, 14, "SM,SA,SK,7S,8S", "01234567", 2, 3, "JO,JP", "", 25},
    {"LA", 266, 18, 14, "LA,LB", "123456789", 2, 3, "JP,JO", "", 12},
    {"OH", 224, 18, 15, "OH,OG,OI", "0123456789", 2, 3, "KP", "", 20},
    {"TF", 242, 17, 40, "TF", "123", 2, 3, "HP", "", 3},
    {"ES", 52, 29, 15, "ES", "12345", 2, 3, "KO", "", 5},
    {"YL", 145, 29, 15, "YL", "23", 2, 3, "KO", "", 5},
    {"LY", 146, 29, 15, "LY", "12345", 2, 3, "KO", "", 5},
    {"SP", 269, 28, 15, "SP,SQ,SN,SO,3Z", "0123456789", 2, 3, "JO,KO", "", 30},
    {"OK", 503, 28, 15, "OK,OL", "12", 2, 3, "JO,JN", "", 25},
    {"OM", 504, 28, 15, "OM", "12345678", 2, 3, "JN", "", 10},
    {"HA", 239, 28, 15, "HA,HG", "1235678", 2, 3, "JN,KN", "", 15},
    {"YO", 275, 28, 20, "YO,YP,YR", "23456789", 2, 3, "KN", "", 15},
    {"LZ", 212, 28, 20, "LZ", "12345", 2, 3, "KN", "", 10},
    {"S5", 499, 28, 15, "S5", "0123456789", 2, 3, "JN", "", 10},
    {"9A", 497, 28, 15, "9A", "123456789", 1, 3, "JN", "", 12},
    {"YU", 296, 28, 15, "YU,YT", "1234", 2, 3, "KN", "", 8},
    {"SV", 236, 28, 20, "SV,SW,SX", "123456789", 2, 3, "KM", "", 8},
    {"UA", 54, 29, 16, "UA,RA,RV,RW,RX,RZ", "123456", 2, 3, "KO,LO", "", 40},
    {"UA9", 15, 30, 17, "UA9,RA9,RV9,UA0,RA0", "", 2, 3, "MO,NO,LO", "", 15},
    {"UR", 288, 29, 16, "UR,UT,UX,US,UY,UZ", "0123456789", 2, 3, "KO,KN", "", 20},
    {"4X", 336, 39, 20, "4X,4Z", "1234569", 2, 3, "KM", "", 5},
    {"5B", 215, 39, 20, "5B,C4,P3", "4", 2, 3, "KM", "", 3},
    {"A6", 391, 39, 21, "A6", "0123456789", 2, 3, "LL", "", 3},
    {"VU", 324, 41, 22, "VU", "23", 2, 3, "MK,ML", "", 6},
    {"JA", 339, 45, 25, "JA,JE,JF,JG,JH,JI,JJ,JK,JL,JR", "0123456789", 2, 3, "PM,QM,QN", "", 70},
    {"BY", 318, 44, 24, "BY,BA,BD,BG,BH", "123456789", 2, 3, "OM,ON,PM", "", 12},
    {"BV", 386, 44, 24, "BV,BX,BM", "0123456789", 2, 3, "PL", "", 5},
    {"HL", 137, 44, 25, "HL,DS,6K,6L", "12345", 2, 3, "PM", "", 10},
    {"DU", 375, 50, 27, "DU,DV,DW,4F", "123456789", 2, 3, "PK", "", 6},
    {"YB", 327, 51, 28, "YB,YC,YD", "0123456789", 2, 3, "OI,PI", "", 6},
    {"9M2", 299, 54, 28, "9M2,9W2", "", 2, 3, "OJ", "", 4},
    {"HS", 387, 49, 26, "HS,E2", "0123456789", 2, 3, "OK", "", 5},
    {"VK", 150, 59, 30, "VK,VI,AX", "12345678", 2, 3, "QF,QG,PF,OF", "", 30},
    {"ZL", 170, 60, 32, "ZL,ZM", "1234", 2, 3, "RF,RE", "", 12},
    {"PY", 108, 15, 11, "PY,PP,PQ,PR,PS,PT,PU,ZV,ZW", "123456789", 2, 3, "GG,GF", "", 25},
    {"LU", 100, 14, 13, "LU,LW,AY,AZ", "123456789", 2, 3, "GF,FF", "", 12},
    {"CE", 112, 14, 12, "CE,CA,CB,XQ", "12345678", 2, 3, "FF", "", 6},
    {"CX", 144, 14, 13, "CX", "123456789", 2, 3, "GF", "", 4},
    {"ZS", 462, 57, 38, "ZS,ZR,ZU", "123456", 1, 3, "KG", "", 6},
};

constexpr int kMaxPrefixLength = 4;

QStringList splitList(const char *pszList)
{
    return QString::fromLatin1(pszList).split(QLatin1Char(','), Qt::SkipEmptyParts);
}

} // namespace

CountryTable::CountryTable()
{
    for (const CountryRow &row : kRows) {
        Country country;
        country.code = QString::fromLatin1(row.code);
        country.dxcc = row.dxcc;
        country.itu = row.itu;
        country.cq = row.cq;
        country.prefixes = splitList(row.prefixes);
        country.digits = QString::fromLatin1(row.digits);
        country.suffixMin = row.suffixMin;
        country.suffixMax = row.suffixMax;
        country.grids = splitList(row.grids);
        country.states = splitList(row.states);
        country.weight = row.weight;
        for (const QString &qsPrefix : std::as_const(country.prefixes))
            m_prefixIndex.insert(qsPrefix, int(m_countries.size()));
        m_totalWeight += row.weight;
        m_countries.append(country);
    }
}

const CountryTable &CountryTable::instance()
{
    static const CountryTable table;
    return table;
}

int CountryTable::count() const
{
    return int(m_countries.size());
}

const CountryTable::Country &CountryTable::at(int iIndex) const
{
    return m_countries.at(iIndex);
}

int CountryTable::totalWeight() const
{
    return m_totalWeight;
}

const CountryTable::Country *CountryTable::lookup(const QString &qsCall) const
{
    QStringView call(qsCall);
    const qsizetype iDash = call.indexOf(QLatin1Char('-'));
    if (iDash >= 0)
        call = call.left(iDash);
    // Before a slash stands either the country operated from (EA8/DL1ABC)
    // or the home call (DL1ABC/P): the first part decides in both cases.
    const qsizetype iSlash = call.indexOf(QLatin1Char('/'));
    if (iSlash > 0)
        call = call.left(iSlash);
    for (qsizetype iLength = qMin<qsizetype>(call.size(), kMaxPrefixLength); iLength > 0; --iLength) {
        const auto it = m_prefixIndex.constFind(call.left(iLength).toString());
        if (it != m_prefixIndex.constEnd())
            return &m_countries.at(it.value());
    }
    return nullptr;
}

QString CountryTable::stateFor(const Country &country, const QString &qsCall) const
{
    if (country.states.isEmpty())
        return QString();
    // FNV-1a: a hash that does not change between runs, unlike qHash.
    quint32 uiHash = 2166136261u;
    for (const QChar ch : qsCall) {
        uiHash ^= ch.unicode();
        uiHash *= 16777619u;
    }
    return country.states.at(int(uiHash % quint32(country.states.size())));
}
