#pragma once

#include "core/RecoveryFile.h"

#include <QLockFile>
#include <QObject>
#include <QString>
#include <QThread>
#include <QTimer>

#include <memory>
#include <optional>

namespace quillet {

class frmMain;
class RecoveryWriter;

// Keeps a recovery copy of the unsaved document, so that work survives a crash, a killed
// session or a power cut. Each session writes its own copy, "<id>.rec", and holds
// "<id>.lock" while it runs: a copy whose lock no running Quillet holds was left behind.
//
// The copy follows the document state: while a document is modified, every change that
// reaches the main window (an editor's OK, a model or backup load, a transfer's end) is
// taken as it stands and written within delayMs; once it is saved, replaced by another
// document or left by Exit, the copy goes. Writing never touches the document state or
// the caption, and the disk work runs on a thread of its own; a copy that cannot be
// written is reported once per session.
class DocumentRecovery : public QObject {
    Q_OBJECT
public:
    // folder: where the copies live; empty: "Recovery" in the per-user data folder.
    DocumentRecovery(frmMain &window, const QString &folder = {});
    ~DocumentRecovery() override;

    static QString defaultFolder();
    static QString earlierFolder();

    // Start-up: offers each copy an earlier session left behind, newest first, until one
    // is restored. Yes restores it as the document, No deletes it, Later (Escape, the
    // close box) keeps it for the next start; a copy that cannot be read is set aside with
    // a "Warning" and the next one is looked at.
    void offerLeftCopies();

    QString folder() const { return folder_; }
    QString copyPath() const { return copyPath_; }

    // Longest time between a change and its copy on the disk.
    int delayMs = 1000;

private:
    void documentStateChanged();
    void takeSnapshot();
    // Hands the snapshot to the writer; `replaces` goes once the copy is written.
    void writeCopy(const QString &replaces = {});
    void removeCopy();
    void closedCleanly();
    void stopWriter();
    bool prepareFolder(QString *error);
    void reportOnce(const QString &error);
    struct LeftCopy {
        QString path;
        QString lockPath;
        bool foreignLock = false;   // its lock could not be taken nor judged here
        QString otherComputer;      // the computer that wrote that lock, when known
    };
    bool offerLeftCopiesIn(const QString &folder);
    QString question(const LeftCopy &left, const RecoveryCopy &copy, bool *newerOnDisk) const;
    // Puts a copy's document back into the window; false when the user deleted it or kept
    // it for later.
    bool offer(const LeftCopy &left, const RecoveryCopy &copy);
    void setAside(const QString &path, const QString &reason);

    frmMain &w_;
    QString folder_;
    QString earlierFolder_;
    QString copyPath_;
    QString lockPath_;
    std::unique_ptr<QLockFile> lock_;
    QThread writerThread_;
    std::unique_ptr<RecoveryWriter> writer_;
    QTimer timer_;
    std::optional<RecoveryCopy> pending_;
    bool reported_ = false;
    bool closed_ = false;
};

// What start-up calls once the main window is shown: watches its document from now on
// and offers what an earlier session left. The object belongs to the window.
DocumentRecovery *installRecovery(frmMain &window, const QString &folder = {});

}  // namespace quillet
