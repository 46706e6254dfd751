#include "core/RecoveryFile.h"

#include "core/MemoryImage.h"
#include "core/ModelFile.h"

#include <QByteArrayList>
#include <QCryptographicHash>
#include <QtEndian>

namespace quillet {

namespace {

constexpr QByteArrayView Lead("QUILLET RECOVERY");
constexpr char Version = 1;
constexpr int HashSize = 32;

void putU32(QByteArray &out, quint32 v)
{
    char b[4];
    qToBigEndian(v, b);
    out.append(b, 4);
}

void putBlock(QByteArray &out, const QByteArray &block)
{
    putU32(out, static_cast<quint32>(block.size()));
    out.append(block);
}

int documentSize(int kind)
{
    return kind == 1 ? MemoryImage::TotalBytes : kind == 2 ? modelfile::Size : -1;
}

// Reads the fields in order; the first field that does not fit stops it with a reason.
class Reader {
public:
    explicit Reader(QByteArrayView bytes) : bytes_(bytes) {}

    bool take(qsizetype n, QByteArrayView &out, const char *what)
    {
        if (n < 0 || n > bytes_.size() - at_)
            return fail(QStringLiteral("the %1 runs past the end").arg(QLatin1String(what)));
        out = bytes_.sliced(at_, n);
        at_ += n;
        return true;
    }
    bool u8(int &v, const char *what)
    {
        QByteArrayView b;
        if (!take(1, b, what))
            return false;
        v = static_cast<unsigned char>(b[0]);
        return true;
    }
    bool u32(quint32 &v, const char *what)
    {
        QByteArrayView b;
        if (!take(4, b, what))
            return false;
        v = qFromBigEndian<quint32>(b.data());
        return true;
    }
    bool block(QByteArrayView &out, qsizetype limit, const char *what)
    {
        quint32 n = 0;
        if (!u32(n, what))
            return false;
        if (n > limit)
            return fail(QStringLiteral("the %1 is too long").arg(QLatin1String(what)));
        return take(static_cast<qsizetype>(n), out, what);
    }
    bool text(QString &out, const char *what)
    {
        QByteArrayView b;
        if (!block(b, recoveryfile::MaxText, what))
            return false;
        out = QString::fromUtf8(b);
        // Bytes that are no UTF-8 would come back as other text; the writer never makes them.
        if (out.toUtf8() != b)
            return fail(QStringLiteral("the %1 is not text").arg(QLatin1String(what)));
        return true;
    }
    bool atEnd() const { return at_ == bytes_.size(); }
    bool fail(const QString &reason)
    {
        reason_ = reason;
        return false;
    }
    const QString &reason() const { return reason_; }

private:
    QByteArrayView bytes_;
    qsizetype at_ = 0;
    QString reason_;
};

}  // namespace

QByteArray recoveryBytes(const RecoveryCopy &copy)
{
    QByteArray out;
    out.reserve(Lead.size() + 64 + copy.currentFile.size() * 3 + copy.caption.size() * 3 + copy.document.size()
                + HashSize);
    out.append(Lead);
    out.append(Version);
    out.append(static_cast<char>(copy.loadedKind));
    char time[8];
    qToBigEndian(copy.writtenMs, time);
    out.append(time, 8);
    putBlock(out, copy.currentFile.toUtf8());
    putBlock(out, copy.caption.toUtf8());
    putBlock(out, copy.document);
    out.append(QCryptographicHash::hash(out, QCryptographicHash::Sha256));
    return out;
}

bool parseRecovery(const QByteArray &bytes, RecoveryCopy &copy, QString *error)
{
    auto refuse = [error](const QString &reason) {
        if (error)
            *error = reason;
        return false;
    };
    if (bytes.size() > recoveryfile::MaxSize)
        return refuse(QStringLiteral("it is %1 bytes long, far more than a copy takes").arg(bytes.size()));
    if (bytes.size() < Lead.size() + HashSize || !bytes.startsWith(Lead))
        return refuse(QStringLiteral("it is not a recovery copy"));
    // The checksum first: nothing in a damaged copy is worth reading.
    const QByteArrayView body = QByteArrayView(bytes).first(bytes.size() - HashSize);
    if (QCryptographicHash::hash(body, QCryptographicHash::Sha256) != bytes.right(HashSize))
        return refuse(QStringLiteral("it is damaged (its checksum does not match)"));

    Reader in(body.sliced(Lead.size()));
    RecoveryCopy out;
    int version = 0;
    QByteArrayView time;
    QByteArrayView document;
    if (!in.u8(version, "version"))
        return refuse(in.reason());
    if (version != Version)
        return refuse(QStringLiteral("it was written in version %1 of its format, which this Quillet does not read")
                          .arg(version));
    if (!in.u8(out.loadedKind, "kind") || !in.take(8, time, "time") || !in.text(out.currentFile, "file name")
        || !in.text(out.caption, "caption") || !in.block(document, MemoryImage::TotalBytes, "document"))
        return refuse(in.reason());
    if (!in.atEnd())
        return refuse(QStringLiteral("it has bytes after its end"));
    if (documentSize(out.loadedKind) < 0)
        return refuse(QStringLiteral("it names no kind of document (%1)").arg(out.loadedKind));
    if (document.size() != documentSize(out.loadedKind))
        return refuse(QStringLiteral("its document has %1 bytes where %2 belong")
                          .arg(document.size())
                          .arg(documentSize(out.loadedKind)));
    out.writtenMs = qFromBigEndian<qint64>(time.data());
    out.document = document.toByteArray();
    copy = std::move(out);
    return true;
}

bool parseLockFile(const QByteArray &bytes, LockHolder &holder)
{
    const QList<QByteArray> lines = bytes.split('\n');
    bool isNumber = false;
    holder.pid = lines.value(0).trimmed().toLongLong(&isNumber);
    if (lines.size() < 3 || holder.pid <= 0 || !isNumber)
        return false;
    holder.host = QString::fromUtf8(lines[2].trimmed());
    holder.machine = lines.size() > 3 ? lines[3].trimmed() : QByteArray();
    return true;
}

}  // namespace quillet
