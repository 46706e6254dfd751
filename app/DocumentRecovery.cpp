#include "app/DocumentRecovery.h"

#include "app/ImportTextCommand.h"
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
#include <QSysInfo>
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

// A copy holds the user's whole memory and the paths of their files: for their eyes only.
constexpr QFileDevice::Permissions OwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
constexpr QFileDevice::Permissions OwnerFolder = OwnerOnly | QFileDevice::ExeOwner;

// Reads a copy without trusting its size: anything past the largest copy is not read.
bool readCopy(const QString &path, RecoveryCopy &copy, QString *reason)
{
    QByteArray bytes;
    qint64 size = 0;
    if (!readFileAtMost(path, recoveryfile::MaxSize + 1, bytes, reason, &size))
        return false;
    return parseRecovery(bytes, copy, reason);
}

// Who holds a lock that could not be taken. Its file says which process on which computer
// (Qt's lock files: pid, program, host name, machine id, one a line). A lock written on
// another computer can never be seen as stale here, and one that cannot be read at all
// never either; both would hide their copy for ever.
enum class LockOwner { Running, OtherComputer, Unknown };

LockOwner lockOwner(const QString &lockPath, QString *host)
{
    QByteArray bytes;
    if (!readFileAtMost(lockPath, 4096, bytes, nullptr))
        return LockOwner::Unknown;
    LockHolder holder;
    if (!parseLockFile(bytes, holder))
        return LockOwner::Unknown;
    *host = holder.host;
    const QByteArray &machine = holder.machine;
    if (*host != QSysInfo::machineHostName() || (!machine.isEmpty() && machine != QSysInfo::machineUniqueId()))
        return LockOwner::OtherComputer;
    return LockOwner::Running;
}

// The name a copy may give the restored document: one that Save can write as its own kind,
// never a relative path or another kind's file a forged copy could aim Save at.
QString acceptableName(const RecoveryCopy &copy)
{
    const QString &name = copy.currentFile;
    if (name.isEmpty() || !QDir::isAbsolutePath(name))
        return {};
    const bool fits = copy.loadedKind == 1 ? hasDataSuffix(name) : hasModelSuffix(name);
    return fits ? name : QString();
}

QString whenText(const QDateTime &when)
{
    return when.toString(QStringLiteral("yyyy-MM-dd' at 'HH:mm:ss"));
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
        if (QFileInfo(path).isSymLink()) {
            emit failed(QStringLiteral("\"%1\" is a symbolic link.").arg(path));
            return;
        }
        if (!saveWholeFile(path, recoveryBytes(copy), &error)) {
            emit failed(error);
            return;
        }
        // The folder is the owner's alone, so the file was never open to others meanwhile.
        setOwnPermissions(path, OwnerOnly);
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
    if (folder.isEmpty())
        earlierFolder_ = earlierFolder();
    if (!folder_.isEmpty()) {
        const QString id = QUuid::createUuid().toString(QUuid::WithoutBraces);
        copyPath_ = QDir(folder_).filePath(id + CopySuffix);
        lockPath_ = QDir(folder_).filePath(id + LockSuffix);
        lock_ = sessionLock(lockPath_);
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

// Beside the per-user data folder, not in it: installed, that folder is the file tree's
// root, and the copies are nothing to show, open or rename there.
QString DocumentRecovery::defaultFolder()
{
    const QString data = userDataFolder();
    return data.isEmpty() ? QString() : data + QStringLiteral(" Recovery");
}

// Where earlier versions kept the copies; what a crash left there is still offered.
QString DocumentRecovery::earlierFolder()
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
    // A link there could lead the copies, and their permissions, anywhere.
    if (QFileInfo(folder_).isSymLink()) {
        *error = QStringLiteral("the folder \"%1\" is a symbolic link.").arg(QDir::toNativeSeparators(folder_));
        return false;
    }
    // Also a folder an earlier version made open to all.
    setOwnPermissions(folder_, OwnerFolder);
    if (!lock_->tryLock(0)) {
        *error = QStringLiteral("the folder \"%1\" cannot be written to.").arg(QDir::toNativeSeparators(folder_));
        return false;
    }
    setOwnPermissions(lockPath_, OwnerOnly);
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
    // A transfer may be running: the box waits for its end.
    w_.ui().whenFree(this, [this, error] {
        w_.ui().warn(&w_, QStringLiteral("The unsaved changes cannot be kept safe for after a crash: %1\n"
                                     "Saving the document keeps them. This is not reported again until "
                                         "Quillet is started anew.")
                              .arg(error));
    });
}

void DocumentRecovery::offerLeftCopies()
{
    for (const QString &folder : {folder_, earlierFolder_}) {
        if (!folder.isEmpty() && offerLeftCopiesIn(folder))
            break;
    }
    // The earlier place sits in the documents' folder when installed; once it is empty it
    // goes, so the file tree no longer shows it.
    if (!earlierFolder_.isEmpty() && QDir(earlierFolder_).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System))
        QDir().rmdir(earlierFolder_);
}

bool DocumentRecovery::offerLeftCopiesIn(const QString &folder)
{
    const QDir dir(folder);
    const QFileInfoList copies = dir.entryInfoList({QLatin1Char('*') + CopySuffix}, QDir::Files, QDir::Time);
    // What an earlier version left open to others is closed now, not at the next write.
    if (folder == folder_ && dir.exists())
        setOwnPermissions(folder, OwnerFolder);
    // A folder that is a link is not ours to look into; a copy that is a link is not a copy.
    if (QFileInfo(folder).isSymLink())
        return false;
    for (const QFileInfo &info : copies)
        setOwnPermissions(info.filePath(), OwnerOnly);
    for (const QFileInfo &info : copies) {
        const QString path = info.filePath();
        if (path == copyPath_ || info.isSymLink())
            continue;
        LeftCopy left;
        left.path = path;
        left.lockPath = dir.filePath(info.completeBaseName() + LockSuffix);
        // Held while the owner runs: that copy is another window's live work. A lock this
        // computer cannot judge is offered all the same, saying where it came from.
        auto owner = sessionLock(left.lockPath);
        if (!owner->tryLock(0)) {
            const LockOwner who = lockOwner(left.lockPath, &left.otherComputer);
            if (who == LockOwner::Running)
                continue;
            left.foreignLock = true;
            if (who == LockOwner::Unknown)
                left.otherComputer.clear();
        }
        RecoveryCopy copy;
        QString reason;
        if (!readCopy(path, copy, &reason)) {
            setAside(path, reason);
            continue;
        }
        if (offer(left, copy))
            return true;
    }
    return false;
}

QString DocumentRecovery::question(const LeftCopy &left, const RecoveryCopy &copy, bool *newerOnDisk) const
{
    const QString name = acceptableName(copy);
    const QString what = !name.isEmpty()          ? QStringLiteral("\"%1\"").arg(QDir::toNativeSeparators(name))
                         : copy.loadedKind != 1 ? QStringLiteral("a model without a file name")
                         : copy.caption.endsWith(importedCaptionSuffix()) ? QStringLiteral("the imported memory")
                                                                          : QStringLiteral("the downloaded memory");
    QString text = QStringLiteral("Quillet did not close normally. Restore the unsaved changes to %1, kept on %2?")
                       .arg(what, whenText(QDateTime::fromMSecsSinceEpoch(copy.writtenMs)));
    const QFileInfo onDisk(name);
    *newerOnDisk = !name.isEmpty() && onDisk.isFile() && onDisk.lastModified().toMSecsSinceEpoch() > copy.writtenMs;
    if (*newerOnDisk)
        text += QStringLiteral("\nThe file was saved on %1, after these changes were kept; restored, they are not "
                               "saved over it unless you choose so in Save As.")
                    .arg(whenText(onDisk.lastModified()));
    if (left.foreignLock)
        text += left.otherComputer.isEmpty()
                    ? QStringLiteral("\nThe copy was left by a Quillet that cannot be told apart.")
                    : QStringLiteral("\nThe copy was left by Quillet on another computer (%1).").arg(left.otherComputer);
    text += QStringLiteral("\nNo deletes the copy; Later keeps it for the next start.");
    return text;
}

bool DocumentRecovery::offer(const LeftCopy &left, const RecoveryCopy &copy)
{
    bool newerOnDisk = false;
    const int reply = w_.ui().message(&w_, question(left, copy, &newerOnDisk), QStringLiteral("Warning"),
                                      MsgIcon::Warning, MsgButtons::YesNoLater);
    if (reply == answer::No) {
        QString error;
        if (!removeFile(left.path, &error))
            w_.ui().warn(&w_, error);
        else if (left.foreignLock)
            removeFile(left.lockPath, nullptr);
        return false;
    }
    // Only a plain Yes restores: Later, Escape and the close box keep the copy for the next
    // start.
    if (reply != answer::Yes)
        return false;

    Globals &g = w_.globals();
    if (copy.loadedKind == 1)
        std::memcpy(g.Image.data(), copy.document.constData(), MemoryImage::TotalBytes);
    else
        fillWorksetFromModelFile(g, copy.document);
    const QString name = acceptableName(copy);
    g.LoadedKind = copy.loadedKind;
    g.CurrentFile = name;
    g.FilePath = name;
    g.SaveAsFirst = newerOnDisk ? name : QString();
    g.SelectedBank = 255;
    g.Modified = 1;
    w_.newHistory();
    if (name == copy.currentFile) {
        w_.setWindowTitle(copy.caption);
        w_.setListTitle(copy.currentFile);
    } else if (copy.loadedKind == 1) {
        // Shown as a download is: a memory without a file of its own.
        w_.setCaptionSuffix(QStringLiteral("  [DOWNLOAD]"));
        w_.setListTitle(QString());
    } else {
        w_.showDocumentTitle();
    }
    w_.refreshLoaded();

    // The left copy becomes this session's own: it holds exactly the restored document, and
    // a rename needs no room on a disk that may be full.
    timer_.stop();
    QString error;
    if (prepareFolder(&error) && renamePath(left.path, copyPath_, &error)) {
        setOwnPermissions(copyPath_, OwnerOnly);
        pending_.reset();
    } else {
        writeCopy(left.path);
    }
    if (left.foreignLock)
        removeFile(left.lockPath, nullptr);
    return true;
}

void DocumentRecovery::setAside(const QString &path, const QString &reason)
{
    // Into this session's folder, so that the earlier place can go once it is empty.
    QString error;
    const QString base = prepareFolder(&error) ? QDir(folder_).filePath(QFileInfo(path).fileName()) : path;
    QString target = base + QStringLiteral(".damaged");
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = base + QStringLiteral(".damaged-%1").arg(n);
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
