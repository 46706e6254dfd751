#pragma once

// What must hold after every step, written from the program's promises and nothing of its
// code: the document as bytes, the files a user saved, the remote's memory, the history and
// the recovery copies. Addresses and rules are the documented ones, restated here.

#include <QByteArray>
#include <QDataStream>
#include <QList>
#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>

namespace seq {

constexpr int PageSize = 266;
constexpr int ImageBytes = 513 * PageSize;
constexpr int FileBytes = 2 + 512 * PageSize;
constexpr int ModelBytes = 3876;

// The image index of a linear data address: 264 data bytes a page, behind a 2-byte header.
inline int at(int address) { return address / 264 * PageSize + address % 264 + 2; }

// One document as the window must show it.
struct Doc {
    int kind = 0;          // 0 nothing, 1 a whole memory, 2 a model
    int modified = 0;
    QString file;          // CurrentFile
    QString caption = QStringLiteral("Quillet");
    QByteArray img = QByteArray(ImageBytes, '\0');
    QByteArray dev;        // the model's five buffers, meaningful with kind 2
    bool saveAsFirst = false;   // restored over a file saved since: Save goes through Save As
    QByteArray bytes() const { return kind == 2 ? dev : img; }
    bool operator==(const Doc &) const = default;
};

// A bank's (or a backup slot's) five areas in model-file order, and the whole layout.
QByteArray deviceBytes(const QByteArray &img, int bank, bool backup = false);
void putDeviceBytes(QByteArray &img, int bank, const QByteArray &dev, bool backup = false);
QByteArray dataFile(const QByteArray &img);
// Part of the image a data file fills: the bytes it holds behind FF 01, the rest kept.
void loadDataFile(QByteArray &img, const QByteArray &file);
// The names of the ten devices as the main menu gives them ("" = none).
QStringList deviceNames(const QByteArray &img);
// Every page carries its own number, which a remote insists on for an upload.
bool pagesNumbered(const QByteArray &img);
// now = the first k pages of `from`, the rest of `before`, for some k (a transfer cut short).
bool cutShort(const QByteArray &now, const QByteArray &before, const QByteArray &from, int pages);

// Edits of a device layout (model-file bytes) by the key-layout editor's rules. False when
// the editor refuses them, and then nothing changed.
struct Layout {
    QByteArray &m;
    char &slot(int p, int s) { return m[12 * p + s]; }
    char &corner(int p, int i) { return m[48 + 24 * p + i]; }
    char &loc(int k) { return m[144 + k]; }
    char &label(int p, int r, int j) { return m[180 + 264 * p + 22 * r + j]; }
    QList<int> keys();                      // the keys that stand, in slot order
    bool covered(int p, int c, int r);
    bool sane();                            // each key in one slot, its label on its page
    bool create(int p, int c1, int r1, int c2, int r2, const QString &text);
    void remove(int key);
    void relabel(int key, const QString &text);
    QString text(int key);
};
void writeText(char *label20, const QString &text);   // text, then 255 up to 20 bytes

// The twelve names of the timers (at 23232) or hot macros (at 34584) as the page's OK
// writes them back: the characters before the first 255, trailing blanks dropped; entry
// `t` gets `name` (none when t is -1).
void setNames(QByteArray &img, int base, int t, const QString &name);
QString labelAt(const QByteArray &img, int address);   // every byte but 255, up to 20

struct Model {
    Doc doc;
    QMap<QString, QByteArray> files;   // path below the program folder -> saved bytes
    QMap<QString, QByteArray> exports; // what Export wrote, as it wrote it
    QByteArray remote;                 // what the remote holds
    QList<QByteArray> history;         // kept transfers, oldest first
    QList<Doc> leftCopies;             // what sessions that were killed left, newest first
    int keep = 3;
    bool unsettled = false;            // the last transfer stopped part way

    QList<Doc> expectedCopies() const
    {
        QList<Doc> out = leftCopies;
        if (doc.modified && doc.kind)
            out.prepend(doc);
        return out;
    }
    void kept(const QByteArray &image)
    {
        history << dataFile(image);
        while (history.size() > keep)
            history.removeFirst();
    }
    QStringList filesIn(const QString &folder, const QString &suffix) const;
};

QDataStream &operator<<(QDataStream &s, const Doc &d);
QDataStream &operator>>(QDataStream &s, Doc &d);
QDataStream &operator<<(QDataStream &s, const Model &m);
QDataStream &operator>>(QDataStream &s, Model &m);

}  // namespace seq
