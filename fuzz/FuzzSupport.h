#ifndef FUZZSUPPORT_H
#define FUZZSUPPORT_H

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstddef>
#include <cstdint>

// Shared by the fuzz targets, which run both under libFuzzer and in the
// corpus replay of the normal build.
namespace FuzzSupport {

// A core application (the SQL driver needs one), private config and data
// folders, and the logger silenced: a fuzzer logs nothing useful, and the
// per-line cost would hide the code under test.
void initialize();

// The private folder made by initialize(), removed when the process ends:
// the place for scratch files.
QString scratchFolder();

// Reports a broken expectation and aborts, which both libFuzzer and the
// replay test count as a failure.
[[noreturn]] void fail(const char *pWhat, const QByteArray &baDetail = QByteArray());

// Takes structure out of the front of an input: small numbers for cut
// points and switches, the rest is data.
class Reader
{
public:
    Reader(const uint8_t *pData, size_t uiSize) : m_data(pData), m_size(uiSize) { }

    uint8_t byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }
    uint16_t word() { return uint16_t(byte() | (byte() << 8)); }
    QByteArray rest()
    {
        const QByteArray baRest(reinterpret_cast<const char *>(m_data + m_pos), qsizetype(m_size - m_pos));
        m_pos = m_size;
        return baRest;
    }

private:
    const uint8_t *m_data;
    size_t m_size;
    size_t m_pos = 0;
};

// Cuts baData at the offsets (taken modulo its size, sorted, duplicates
// dropped) into the pieces between them.
QList<QByteArray> cut(const QByteArray &baData, QList<int> liOffsets);

} // namespace FuzzSupport

#endif // FUZZSUPPORT_H
