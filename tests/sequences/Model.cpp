#include "Model.h"

#include <QSet>

#include <algorithm>
#include <cstring>

namespace seq {

namespace {

// Slot table, corner table, label locations, label records and block records of a bank or
// backup slot, in the order of a model file.
const int Bank[5][3] = {{19536, 48, 48}, {0, 96, 96}, {22142, 36, 36}, {24024, 1056, 1056}, {34848, 2640, 2640}};
const int Backup[5][3] = {{21624, 48, 48}, {20856, 96, 96}, {22505, 36, 36}, {126720, 1056, 1056}, {63360, 2640, 2640}};

template <typename F> void eachByte(int n, bool backup, F f)
{
    int i = 0;
    for (const auto &a : backup ? Backup : Bank)
        for (int j = 0; j < a[2]; ++j)
            f(i++, at(a[0] + a[1] * n + j));
}

}  // namespace

QByteArray deviceBytes(const QByteArray &img, int bank, bool backup)
{
    QByteArray out(ModelBytes, '\0');
    eachByte(bank, backup, [&](int i, int index) { out[i] = img[index]; });
    return out;
}

void putDeviceBytes(QByteArray &img, int bank, const QByteArray &dev, bool backup)
{
    eachByte(bank, backup, [&](int i, int index) { img[index] = dev[i]; });
}

QString labelAt(const QByteArray &b, int index)
{
    QByteArray text;
    for (int j = 0; j < 20; ++j)
        if (byteAt(b, index + j) != 255)
            text += b[index + j];
    return QString::fromLatin1(text);
}

void writeText(QByteArray &b, int index, const QString &text)
{
    const QByteArray bytes = text.toLatin1().left(20);
    for (int j = 0; j < 20; ++j)
        b[index + j] = j < bytes.size() ? bytes[j] : '\xFF';
}

QStringList deviceNames(const QByteArray &img)
{
    QStringList names(10);
    // Menu slots of both pages name the bank of their button; the button's label is where
    // its location points.
    for (int i = 0; i < 16; ++i) {
        const int b = byteAt(img, at(20016 + i));
        const int pos = b > 9 ? 255 : byteAt(img, at(22132 + b));
        if (pos / 16 <= 1 && pos % 16 <= 11)
            names[b] = labelAt(img, at(23496 + (pos / 16) * 264 + (pos % 16) * 22 + 2)).trimmed();
    }
    return names;
}

QStringList listedNames(const QByteArray &img)
{
    QStringList out = deviceNames(img);
    out.removeAll(QString());
    return out;
}

void setNames(QByteArray &img, int base, int t, const QString &name)
{
    for (int i = 0; i < 12; ++i) {
        const int index = at(base + 22 * i + 2);
        QString kept = i == t ? name : QString::fromLatin1(img.mid(index, 20).split('\xFF').first());
        while (kept.endsWith(u' '))
            kept.chop(1);
        writeText(img, index, kept);
    }
}

bool pagesNumbered(const QByteArray &img)
{
    for (int p = 0; p < 512; ++p)
        if (byteAt(img, p * PageSize) != (p & 255) || byteAt(img, p * PageSize + 1) != (p >> 8))
            return false;
    return true;
}

bool cutShort(const QByteArray &now, const QByteArray &before, const QByteArray &from, int pages)
{
    auto same = [&now](const QByteArray &b, int p) {
        return std::memcmp(now.constData() + p * PageSize, b.constData() + p * PageSize, PageSize) == 0;
    };
    int p = 0;
    while (p < pages && same(from, p))
        ++p;
    while (p < 513 && same(before, p))
        ++p;
    return p == 513;
}

QList<int> Layout::keys() const
{
    QList<int> out;
    for (int i = 0; i < 48; ++i)
        if (slot(i / 12, i % 12) <= 34 && loc(slot(i / 12, i % 12)) != 255)
            out << slot(i / 12, i % 12);
    return out;
}

bool Layout::overlaps(int p, int c1, int r1, int c2, int r2) const
{
    for (int s = 0; s < 12; ++s) {
        const int ul = corner(p, 2 * s), lr = corner(p, 2 * s + 1);
        if (slot(p, s) != 255 && c1 <= lr / 16 && ul / 16 <= c2 && r1 <= lr % 16 && ul % 16 <= r2)
            return true;
    }
    return false;
}

bool Layout::sane() const
{
    QSet<int> seen;
    for (int i = 0; i < 48; ++i) {
        const int p = i / 12, k = slot(p, i % 12), ul = corner(p, 2 * (i % 12)), lr = corner(p, 2 * (i % 12) + 1);
        if (k == 255)
            continue;
        if (k > 34 || seen.contains(k) || loc(k) / 16 != p || loc(k) % 16 > 11 || ul / 16 > lr / 16 || lr / 16 > 5 ||
            ul % 16 > lr % 16 || lr % 16 > 7)
            return false;
        seen << k;
    }
    return true;
}

// New: a key of fewer than 2 x 2 cells or on another key's cells is refused; then the lowest free key number, slot and label
// record of the page.
bool Layout::create(int p, int c1, int r1, int c2, int r2, const QString &text)
{
    if (c2 - c1 < 1 || r2 - r1 < 1 || overlaps(p, c1, r1, c2, r2))
        return false;
    int key = 0, s = 0, r = 0;
    while (key < 35 && m.left(48).contains(static_cast<char>(key)))
        ++key;
    while (s < 12 && slot(p, s) != 255)
        ++s;
    while (r < 12 && byteAt(m, label(p * 16 + r, 2)) != 255)
        ++r;
    if (key == 35 || s == 12 || r == 12)
        return false;
    m[12 * p + s] = static_cast<char>(key);
    m[48 + 24 * p + 2 * s] = static_cast<char>(c1 * 16 + r1);
    m[48 + 24 * p + 2 * s + 1] = static_cast<char>(c2 * 16 + r2);
    m[144 + key] = static_cast<char>(p * 16 + r);
    writeText(m, label(p * 16 + r, 2), text);
    return true;
}

// Delete: its first slot and corners, all 22 bytes of its label record, its location.
void Layout::remove(int key)
{
    const int i = static_cast<int>(m.left(48).indexOf(static_cast<char>(key)));
    m[i] = m[48 + 24 * (i / 12) + 2 * (i % 12)] = m[48 + 24 * (i / 12) + 2 * (i % 12) + 1] = '\xFF';
    m.replace(label(loc(key), 0), 22, QByteArray(22, '\xFF'));
    m[144 + key] = '\xFF';
}

QStringList Model::filesIn(const QString &folder) const
{
    QStringList out;
    for (const QString &name : files.keys())
        if (name.startsWith(folder + u'/'))
            out << name;
    return out;
}

QDataStream &operator<<(QDataStream &s, const Doc &d)
{
    return s << d.kind << d.modified << d.file << d.caption << d.img << d.dev << d.saveAsFirst;
}

QDataStream &operator>>(QDataStream &s, Doc &d)
{
    return s >> d.kind >> d.modified >> d.file >> d.caption >> d.img >> d.dev >> d.saveAsFirst;
}

QDataStream &operator<<(QDataStream &s, const Model &m)
{
    return s << m.doc << m.files << m.exports << m.remote << m.history << m.leftCopies << m.keep << m.unsettled << m.states
             << m.at << m.saved;
}

QDataStream &operator>>(QDataStream &s, Model &m)
{
    return s >> m.doc >> m.files >> m.exports >> m.remote >> m.history >> m.leftCopies >> m.keep >> m.unsettled >> m.states
             >> m.at >> m.saved;
}

}  // namespace seq
