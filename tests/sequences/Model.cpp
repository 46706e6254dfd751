#include "Model.h"

#include <algorithm>
#include <cstring>

namespace seq {

namespace {

struct Area {
    int address;
    int length;
};

// Slot table, corner table, label locations, label records, block records.
void areasOf(int n, bool backup, Area out[5])
{
    if (backup) {
        out[0] = {21624 + 48 * n, 48};
        out[1] = {20856 + 96 * n, 96};
        out[2] = {22505 + 36 * n, 36};
        out[3] = {126720 + 1056 * n, 1056};
        out[4] = {63360 + 2640 * n, 2640};
    } else {
        out[0] = {19536 + 48 * n, 48};
        out[1] = {96 * n, 96};
        out[2] = {22142 + 36 * n, 36};
        out[3] = {24024 + 1056 * n, 1056};
        out[4] = {34848 + 2640 * n, 2640};
    }
}

quint8 byteAt(const QByteArray &img, int address) { return static_cast<quint8>(img[at(address)]); }

}  // namespace

QByteArray deviceBytes(const QByteArray &img, int bank, bool backup)
{
    Area areas[5];
    areasOf(bank, backup, areas);
    QByteArray out;
    for (const Area &a : areas)
        for (int i = 0; i < a.length; ++i)
            out += img[at(a.address + i)];
    return out;
}

void putDeviceBytes(QByteArray &img, int bank, const QByteArray &dev, bool backup)
{
    Area areas[5];
    areasOf(bank, backup, areas);
    int n = 0;
    for (const Area &a : areas)
        for (int i = 0; i < a.length; ++i)
            img[at(a.address + i)] = dev[n++];
}

QByteArray dataFile(const QByteArray &img) { return QByteArray("\xFF\x01", 2) + img.left(512 * PageSize); }

void loadDataFile(QByteArray &img, const QByteArray &file)
{
    const qsizetype n = std::min<qsizetype>(file.size() - 2, ImageBytes);
    if (n > 0)
        std::memcpy(img.data(), file.constData() + 2, static_cast<size_t>(n));
}

QStringList deviceNames(const QByteArray &img)
{
    QStringList names(10);
    // Menu slots of both pages, each naming the bank of its button; the button's label
    // record is where its location points, every byte but 255 a character.
    for (int i = 0; i < 16; ++i) {
        const int b = byteAt(img, 20016 + i);
        if (b > 9)
            continue;
        const int pos = byteAt(img, 22132 + b);
        if (pos / 16 > 1 || pos % 16 > 11)
            continue;
        names[b] = labelAt(img, 23496 + (pos / 16) * 264 + (pos % 16) * 22 + 2).trimmed();
    }
    return names;
}

bool pagesNumbered(const QByteArray &img)
{
    for (int p = 0; p < 512; ++p)
        if (static_cast<quint8>(img[p * PageSize]) != (p & 255) || static_cast<quint8>(img[p * PageSize + 1]) != (p >> 8))
            return false;
    return true;
}

bool cutShort(const QByteArray &now, const QByteArray &before, const QByteArray &from, int pages)
{
    int p = 0;
    auto same = [](const QByteArray &a, const QByteArray &b, int page) {
        return std::memcmp(a.constData() + page * PageSize, b.constData() + page * PageSize, PageSize) == 0;
    };
    while (p < pages && same(now, from, p))
        ++p;
    for (; p < 513; ++p)
        if (!same(now, before, p))
            return false;
    return true;
}

void writeText(char *label, const QString &text)
{
    const QByteArray bytes = text.toLatin1().left(20);
    for (int i = 0; i < 20; ++i)
        label[i] = i < bytes.size() ? bytes[i] : '\xFF';
}

QList<int> Layout::keys()
{
    QList<int> out;
    for (int p = 0; p < 4; ++p)
        for (int s = 0; s < 12; ++s)
            if (static_cast<quint8>(slot(p, s)) <= 34 && static_cast<quint8>(loc(static_cast<quint8>(slot(p, s)))) != 255)
                out << static_cast<quint8>(slot(p, s));
    return out;
}

QString Layout::text(int key)
{
    const int l = static_cast<quint8>(loc(key));
    QByteArray t;
    for (int j = 2; j < 22; ++j)
        if (static_cast<quint8>(label(l / 16, l % 16, j)) != 255)
            t += label(l / 16, l % 16, j);
    return QString::fromLatin1(t);
}

bool Layout::covered(int p, int c, int r)
{
    for (int s = 0; s < 12; ++s) {
        const int ul = static_cast<quint8>(corner(p, 2 * s)), lr = static_cast<quint8>(corner(p, 2 * s + 1));
        if (static_cast<quint8>(slot(p, s)) != 255 && ul / 16 <= c && c <= lr / 16 && ul % 16 <= r && r <= lr % 16)
            return true;
    }
    return false;
}

bool Layout::sane()
{
    QSet<int> seen;
    for (int p = 0; p < 4; ++p) {
        for (int s = 0; s < 12; ++s) {
            const int k = static_cast<quint8>(slot(p, s));
            if (k == 255)
                continue;
            const int l = static_cast<quint8>(loc(k)), ul = static_cast<quint8>(corner(p, 2 * s)),
                      lr = static_cast<quint8>(corner(p, 2 * s + 1));
            if (k > 34 || seen.contains(k) || l / 16 != p || l % 16 > 11 || ul / 16 > lr / 16 || lr / 16 > 5 ||
                ul % 16 > lr % 16 || lr % 16 > 7)
                return false;
            seen << k;
        }
    }
    return true;
}

bool Layout::create(int p, int c1, int r1, int c2, int r2, const QString &text)
{
    if (c2 - c1 < 1 || r2 - r1 < 1)
        return false;
    int freeSlot = -1;
    for (int s = 0; s < 12; ++s) {
        if (static_cast<quint8>(slot(p, s)) == 255) {
            if (freeSlot < 0)
                freeSlot = s;
            continue;
        }
        const int ul = static_cast<quint8>(corner(p, 2 * s)), lr = static_cast<quint8>(corner(p, 2 * s + 1));
        if (c1 <= lr / 16 && ul / 16 <= c2 && r1 <= lr % 16 && ul % 16 <= r2)
            return false;   // another key's cells
    }
    QSet<int> used;
    for (int i = 0; i < 48; ++i)
        used << static_cast<quint8>(m[i]);
    int key = 0;
    while (key < 35 && used.contains(key))
        ++key;
    int record = 0;
    while (record < 12 && static_cast<quint8>(label(p, record, 2)) != 255)
        ++record;
    if (key == 35 || freeSlot < 0 || record == 12)
        return false;
    slot(p, freeSlot) = static_cast<char>(key);
    corner(p, 2 * freeSlot) = static_cast<char>(c1 * 16 + r1);
    corner(p, 2 * freeSlot + 1) = static_cast<char>(c2 * 16 + r2);
    loc(key) = static_cast<char>(p * 16 + record);
    writeText(&label(p, record, 2), text);
    return true;
}

void Layout::remove(int key)
{
    for (int i = 0; i < 48; ++i) {
        if (static_cast<quint8>(m[i]) == key) {
            m[i] = '\xFF';
            corner(i / 12, 2 * (i % 12)) = corner(i / 12, 2 * (i % 12) + 1) = '\xFF';
            break;
        }
    }
    const int l = static_cast<quint8>(loc(key));
    for (int j = 0; j < 22; ++j)
        label(l / 16, l % 16, j) = '\xFF';
    loc(key) = '\xFF';
}

void Layout::relabel(int key, const QString &text)
{
    const int l = static_cast<quint8>(loc(key));
    writeText(&label(l / 16, l % 16, 2), text);
}

void setNames(QByteArray &img, int base, int t, const QString &name)
{
    for (int i = 0; i < 12; ++i) {
        QByteArray text;
        for (int j = 0; j < 20 && static_cast<quint8>(img[at(base + 22 * i + 2 + j)]) != 255; ++j)
            text += img[at(base + 22 * i + 2 + j)];
        QString kept = i == t ? name : QString::fromLatin1(text);
        while (kept.endsWith(QLatin1Char(' ')))
            kept.chop(1);
        char out[20];
        writeText(out, kept);
        for (int j = 0; j < 20; ++j)
            img[at(base + 22 * i + 2 + j)] = out[j];
    }
}

QString labelAt(const QByteArray &img, int address)
{
    QByteArray text;
    for (int j = 0; j < 20; ++j)
        if (static_cast<quint8>(img[at(address + j)]) != 255)
            text += img[at(address + j)];
    return QString::fromLatin1(text);
}

QStringList Model::filesIn(const QString &folder, const QString &suffix) const
{
    QStringList out;
    for (auto it = files.cbegin(); it != files.cend(); ++it)
        if (it.key().startsWith(folder + QLatin1Char('/')) && it.key().endsWith(suffix, Qt::CaseInsensitive))
            out << it.key();
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
    return s << m.doc << m.files << m.exports << m.remote << m.history << m.leftCopies << m.keep << m.unsettled;
}

QDataStream &operator>>(QDataStream &s, Model &m)
{
    return s >> m.doc >> m.files >> m.exports >> m.remote >> m.history >> m.leftCopies >> m.keep >> m.unsettled;
}

}  // namespace seq
