#include "app/DocumentRecovery.h"

#include "app/UiServices.h"
#include "app/frmMain.h"
#include "core/FileIO.h"
#include "core/FileOps.h"
#include "core/Globals.h"
#include "core/ModelFile.h"
#include "core/Paths.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QUuid>

#include <cstring>

namespace quillet {

namespace {

constexpr QLatin1String CopySuffix(".rec");
constexpr QLatin1String LockSuffix(".lock");

// A lock that a running session holds is never taken over, however old it is.
std::unique_ptr<QLockFile> sessionLock(const QString &path)
{
    auto lock = std::make_unique<QLockFile>(path);
    lock->setStaleLockTime(0);
    return lock;
}

// Reads a copy without trusting its size: anything past the largest copy is not read.
bool readCopy(const QString &path, RecoveryCopy &copy, QString *reason)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *reason = file.errorString();
        return false;
    }
    const QByteArray bytes = file.read(recoveryfile::MaxSize + 1);
    if (file.error() != QFileDevice::NoError) {
        *reason = file.errorString();
        return false;
    }
    return parseRecovery(bytes, copy, reason);
}

}  // namespace

// The disk work, on a thread of its own: a slow or stalled disk never holds up the window.
// Requests run in the order they were made, so a removal never overtakes a write.
class RecoveryWriter : public QObject {
    Q_OBJECT
public:
    // Writes the copy; once it is safely there, `replaces` (a copy it takes over) goes.
    void write(const QString &path, const RecoveryCopy &copy, const QString &replaces)
    {
        QString error;
        if (!saveWholeFile(path, recoveryBytes(copy), &error)) {
            emit failed(error);
            return;
        }
        if (!replaces.isEmpty())
            removeFile(replaces, nullptr);
    }
    void remove(const QString &path)
    {
        QString error;
        if (QFileInfo::exists(path) && !removeFile(path, &error))
            emit failed(error);
    }

signals:
    void failed(const QString &error);
};

DocumentRecovery::DocumentRecovery(frmMain &window, const QString &folder) : QObject(&window), w_(window)
{
    setObjectName(QStringLiteral("DocumentRecovery"));
    folder_ = folder.isEmpty() ? defaultFolder() : folder;
    if (!folder_.isEmpty()) {
        const QString id = QUuid::createUuid().toString(QUuid::WithoutBraces);
        copyPath_ = QDir(folder_).filePath(id + CopySuffix);
        lock_ = sessionLock(QDir(folder_).filePath(id + LockSuffix));
    }
    writer_ = std::make_unique<RecoveryWriter>();
    writer_->moveToThread(&writerThread_);
    connect(writer_.get(), &RecoveryWriter::failed, this, &DocumentRecovery::reportOnce);
    writerThread_.setObjectName(QStringLiteral("RecoveryWriter"));
    writerThread_.start(QThread::LowPriority);
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, [this] { writeCopy(); });
    connect(&w_, &frmMain::documentStateChanged, this, &DocumentRecovery::documentStateChanged);
    connect(&w_, &frmMain::unloading, this, &DocumentRecovery::closedCleanly);
}

// The window goes without Exit: the last change is still put down, and the copy stays to
// be offered next time. The lock goes with the object.
DocumentRecovery::~DocumentRecovery()
{
    if (timer_.isActive())
        writeCopy();
    stopWriter();
}

void DocumentRecovery::stopWriter()
{
    if (!writer_)
        return;
    // What was asked of the disk is finished first: the quit is queued behind it. Quitting
    // from here could end the thread's loop before it takes a request still in its queue,
    // and a removal lost at Exit would offer discarded work back at the next start.
    QMetaObject::invokeMethod(writer_.get(), [] { QThread::currentThread()->quit(); });
    writerThread_.wait();
    writer_.reset();
}

QString DocumentRecovery::defaultFolder()
{
    const QString data = userDataFolder();
    return data.isEmpty() ? QString() : joinPath(data, QStringLiteral("Recovery"));
}

void DocumentRecovery::documentStateChanged()
{
    if (closed_)
        return;
    const Globals &g = w_.globals();
    if (g.Modified != 1 || (g.LoadedKind != 1 && g.LoadedKind != 2)) {
        timer_.stop();
        pending_.reset();
        removeCopy();
        return;
    }
    // Taken now, written later: what is written is always a document as a command left it,
    // never one a transfer is halfway through replacing.
    takeSnapshot();
    if (!timer_.isActive())
        timer_.start(delayMs);
}

void DocumentRecovery::takeSnapshot()
{
    const Globals &g = w_.globals();
    RecoveryCopy copy;
    copy.loadedKind = g.LoadedKind;
    copy.currentFile = g.CurrentFile;
    copy.caption = w_.windowTitle();
    copy.writtenMs = QDateTime::currentMSecsSinceEpoch();
    if (g.LoadedKind == 1)
        copy.document = QByteArray(reinterpret_cast<const char *>(g.Image.data()), MemoryImage::TotalBytes);
    else
        copy.document = modelFileBytes(g);
    pending_ = std::move(copy);
}

bool DocumentRecovery::prepareFolder(QString *error)
{
    if (!lock_) {
        *error = QStringLiteral("there is no per-user data folder to keep it in.");
        return false;
    }
    if (lock_->isLocked())
        return true;
    if (!QDir().mkpath(folder_)) {
        *error = QStringLiteral("the folder \"%1\" cannot be created.").arg(QDir::toNativeSeparators(folder_));
        return false;
    }
    if (!lock_->tryLock(0)) {
        *error = QStringLiteral("the folder \"%1\" cannot be written to.").arg(QDir::toNativeSeparators(folder_));
        return false;
    }
    return true;
}

void DocumentRecovery::writeCopy(const QString &replaces)
{
    if (!pending_ || closed_ || !writer_)
        return;
    QString error;
    if (!prepareFolder(&error)) {
        reportOnce(error);
        return;
    }
    QMetaObject::invokeMethod(writer_.get(), [w = writer_.get(), path = copyPath_, copy = std::move(*pending_),
                                              replaces] { w->write(path, copy, replaces); });
    pending_.reset();
}

void DocumentRecovery::removeCopy()
{
    if (copyPath_.isEmpty() || !writer_)
        return;
    QMetaObject::invokeMethod(writer_.get(), [w = writer_.get(), path = copyPath_] { w->remove(path); });
}

void DocumentRecovery::closedCleanly()
{
    timer_.stop();
    pending_.reset();
    removeCopy();
    stopWriter();
    closed_ = true;
    if (lock_)
        lock_->unlock();
}

void DocumentRecovery::reportOnce(const QString &error)
{
    // Once a session: a full disk would otherwise interrupt every edit.
    if (reported_)
        return;
    reported_ = true;
    w_.ui().warn(&w_, QStringLiteral("The unsaved changes cannot be kept safe for after a crash: %1\n"
                                     "Saving the document keeps them. This is not reported again until "
                                     "Quillet is started anew.")
                          .arg(error));
}

void DocumentRecovery::offerLeftCopies()
{
    if (folder_.isEmpty())
        return;
    const QDir dir(folder_);
    const QFileInfoList copies = dir.entryInfoList({QLatin1Char('*') + CopySuffix}, QDir::Files, QDir::Time);
    for (const QFileInfo &info : copies) {
        const QString path = info.filePath();
        if (path == copyPath_)
            continue;
        // Held while the owner runs: that copy is another window's live work.
        auto owner = sessionLock(dir.filePath(info.completeBaseName() + LockSuffix));
        if (!owner->tryLock(0))
            continue;
        RecoveryCopy copy;
        QString reason;
        if (!readCopy(path, copy, &reason)) {
            setAside(path, reason);
            continue;
        }
        if (offer(path, copy))
            break;
    }
}

bool DocumentRecovery::offer(const QString &path, const RecoveryCopy &copy)
{
    const QString name = copy.currentFile.isEmpty() ? QStringLiteral("the downloaded memory")
                                                    : QFileInfo(copy.currentFile).fileName();
    const int reply = w_.ui().message(
        &w_, QStringLiteral("Quillet did not close normally. Restore the unsaved changes to %1?").arg(name),
        QStringLiteral("Warning"), MsgIcon::Warning, MsgButtons::YesNo);
    if (reply == answer::No) {
        QString error;
        if (!removeFile(path, &error))
            w_.ui().warn(&w_, error);
        return false;
    }
    // A box closed without an answer deletes nothing: the copy waits for the next start.
    if (reply != answer::Yes)
        return false;

    Globals &g = w_.globals();
    if (copy.loadedKind == 1)
        std::memcpy(g.Image.data(), copy.document.constData(), MemoryImage::TotalBytes);
    else
        fillWorksetFromModelFile(g, copy.document);
    g.LoadedKind = copy.loadedKind;
    g.CurrentFile = copy.currentFile;
    g.FilePath = copy.currentFile;
    g.SelectedBank = 255;
    g.Modified = 1;
    w_.setWindowTitle(copy.caption);
    w_.setListTitle(copy.currentFile);
    if (copy.loadedKind == 1) {
        w_.refreshSequence();
    } else {
        w_.UpdateCommands();
        w_.FillDeviceList();
        w_.FillBackupList();
    }

    // The left copy becomes this session's own: it holds exactly the restored document, and
    // a rename needs no room on a disk that may be full.
    timer_.stop();
    QString error;
    if (prepareFolder(&error) && renamePath(path, copyPath_, &error)) {
        pending_.reset();
        return true;
    }
    writeCopy(path);
    return true;
}

void DocumentRecovery::setAside(const QString &path, const QString &reason)
{
    QString target = path + QStringLiteral(".damaged");
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = path + QStringLiteral(".damaged-%1").arg(n);
    QString error;
    const QString shown = QDir::toNativeSeparators(path);
    if (renamePath(path, target, &error))
        w_.ui().warn(&w_, QStringLiteral("The recovery copy \"%1\" cannot be restored: %2.\nIt has been set aside as \"%3\".")
                              .arg(shown, reason, QDir::toNativeSeparators(target)));
    else
        w_.ui().warn(&w_, QStringLiteral("The recovery copy \"%1\" cannot be restored: %2.\n%3").arg(shown, reason, error));
}

DocumentRecovery *installRecovery(frmMain &window, const QString &folder)
{
    auto *recovery = new DocumentRecovery(window, folder);
    recovery->offerLeftCopies();
    return recovery;
}

}  // namespace quillet

#include "DocumentRecovery.moc"
