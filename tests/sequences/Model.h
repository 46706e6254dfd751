#pragma once

// What must hold after every step, written from the program's promises and nothing of its
// code: the document as bytes, the files a user saved, the remote's memory, the history and
// the recovery copies. Addresses and rules are the documented ones, restated here.

#include <QByteArray>
#include <QDataStream>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

namespace seq {

using namespace Qt::StringLiterals;

constexpr int PageSize = 266;
constexpr int ImageBytes = 513 * PageSize;
constexpr int FileBytes = 2 + 512 * PageSize;
constexpr int ModelBytes = 3876;

// The image index of a linear data address: 264 data bytes a page, behind a 2-byte header.
inline int at(int address) { return address / 264 * PageSize + address % 264 + 2; }
inline int byteAt(const QByteArray &b, int index) { return static_cast<quint8>(b[index]); }

// One document as the window must show it.
struct Doc {
    int kind = 0;          // 0 nothing, 1 a whole memory, 2 a model
    int modified = 0;
    QString file;          // CurrentFile
    QString caption = u"Quillet"_s;
    QByteArray img = QByteArray(ImageBytes, '\0');
    QByteArray dev;        // the model's five buffers, meaningful with kind 2
    bool saveAsFirst = false;   // restored over a file saved since: Save goes through Save As
    QByteArray bytes() const { return kind == 2 ? dev : img; }
};

// A bank's (or a backup slot's) five areas in model-file order.
QByteArray deviceBytes(const QByteArray &img, int bank, bool backup = false);
void putDeviceBytes(QByteArray &img, int bank, const QByteArray &dev, bool backup = false);
inline QByteArray dataFile(const QByteArray &img) { return QByteArray("\xFF\x01", 2) + img.left(512 * PageSize); }
// The names of the ten devices as the main menu gives them ("" = none), and the ones listed.
QStringList deviceNames(const QByteArray &img);
QStringList listedNames(const QByteArray &img);
// The 20 bytes of a label from an index (a label never crosses a page): every byte but 255
// is a character; a text is written as its characters, then 255.
QString labelAt(const QByteArray &b, int index);
void writeText(QByteArray &b, int index, const QString &text);
// The twelve timer (23232) or hot-macro (34584) names as their page's OK writes them back:
// the characters before the first 255, trailing blanks dropped; entry t takes `name`.
void setNames(QByteArray &img, int base, int t, const QString &name);
// Every page carries its own number, which a remote insists on for an upload.
bool pagesNumbered(const QByteArray &img);
// now = the first k pages of `from`, the rest of `before`, for some k (a transfer cut short).
bool cutShort(const QByteArray &now, const QByteArray &before, const QByteArray &from, int pages);

// Edits of a device layout (model-file bytes) by the key-layout editor's rules: a refused
// one changes nothing.
struct Layout {
    QByteArray &m;
    int slot(int p, int s) const { return byteAt(m, 12 * p + s); }
    int corner(int p, int i) const { return byteAt(m, 48 + 24 * p + i); }
    int loc(int k) const { return byteAt(m, 144 + k); }
    int label(int l, int j) const { return 180 + 264 * (l / 16) + 22 * (l % 16) + j; }   // index
    QList<int> keys() const;                    // the keys that stand, in slot order
    bool overlaps(int p, int c1, int r1, int c2, int r2) const;   // a key on any of these cells
    bool sane() const;                          // each key in one slot, its label on its page
    bool create(int p, int c1, int r1, int c2, int r2, const QString &text);
    void remove(int key);
    QString text(int key) const { return labelAt(m, label(loc(key), 2)); }
};

struct Model {
    Doc doc;
    QMap<QString, QByteArray> files;     // path below the program folder -> saved bytes
    QMap<QString, QByteArray> exports;   // what Export wrote, as it wrote it
    QByteArray remote;                   // what the remote holds
    QList<QByteArray> history;           // kept transfers, oldest first
    QList<Doc> leftCopies;               // what sessions that were killed left
    int keep = 3;
    bool unsettled = false;              // the last transfer stopped part way
    // The document's undo history: the bytes of each state its steps went through, where
    // the document stands among them, and which one was saved last (-1: none of them).
    QList<QByteArray> states{QByteArray(ImageBytes, '\0')};
    int at = 0;
    int saved = 0;

    QList<Doc> expectedCopies() const { return doc.modified && doc.kind ? QList<Doc>{doc} + leftCopies : leftCopies; }
    void kept(const QByteArray &image)
    {
        history << dataFile(image);
        while (history.size() > keep)
            history.removeFirst();
    }
    QStringList filesIn(const QString &folder) const;   // DATA: *.DAT, MODEL: *.MOD
    // A command changed the document: one step when its bytes changed, and Modified unless
    // that is the state last saved.
    void stepTaken()
    {
        if (doc.bytes() == states.value(at))
            return;
        states = states.mid(0, at + 1) << doc.bytes();
        saved = saved > at ? -1 : saved;
        ++at;
        // A hundred steps are kept; the state before the oldest goes with it.
        for (; states.size() > 101; --at, saved = saved > 0 ? saved - 1 : -1)
            states.removeFirst();
        doc.modified = at != saved;
    }
    // The document was replaced: nothing before it can be undone.
    void newHistory()
    {
        states = {doc.bytes()};
        at = 0;
        saved = doc.modified ? -1 : 0;
    }
    // Undo (-1) or Redo (+1): the bytes of that state, modified unless it was saved last.
    bool move(int by)
    {
        if (at + by < 0 || at + by >= states.size())
            return false;
        at += by;
        (doc.kind == 2 ? doc.dev : doc.img) = states[at];
        doc.modified = at != saved;
        return true;
    }
};

QDataStream &operator<<(QDataStream &s, const Doc &d);
QDataStream &operator>>(QDataStream &s, Doc &d);
QDataStream &operator<<(QDataStream &s, const Model &m);
QDataStream &operator>>(QDataStream &s, Model &m);

}  // namespace seq
